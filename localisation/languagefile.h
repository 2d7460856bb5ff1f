#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>

// Language files: INI text with [sections] and key=value lines, read as the system's profile
// functions read them (section and key names without regard to case, the first occurrence
// wins, blanks around names and values dropped, ';' starts a comment line, no quoting, a
// value cut to 254 characters).
namespace languagefile {

// The longest value a lookup returns.
inline constexpr int MaxValueLength = 254;
// A language file is some tens of kilobytes; what lies beyond this is not read.
inline constexpr qint64 MaxFileBytes = 4 * 1024 * 1024;

// The code page of a font character set number ("windows-1251" for 204); empty for a number
// that names none.
[[nodiscard]] QString codePageOfCharset(int charset);
// The character set of the system's language, as a font character set number (0 Western).
[[nodiscard]] int SystemCharset();

// What kept a file from being read whole.
enum class Problem {
    None,
    Missing,        // no file, or it went away
    Unreadable,     // no permission, or a read error
    TooLarge,       // only the first MaxFileBytes were read
    Binary,         // NUL bytes: not a text file, nothing of it is used
    NoSections,     // text without any [section]
    UnknownCharset, // "Charset" names nothing known: read as Western (or UTF-8)
};

// A parsed language file.
class IniFile {
public:
    // Reads and decodes the file: valid UTF-8 (or a UTF-8 mark) is UTF-8, anything else is
    // in the code page of its [General] "Charset" (Windows-1252 when it names none).
    [[nodiscard]] static IniFile read(const QString& path);
    [[nodiscard]] static IniFile parse(const QByteArray& bytes);

    // The value, or `fallback` when the section or key is missing.
    [[nodiscard]] QString value(const QString& section, const QString& key, const QString& fallback,
                                bool* found = nullptr) const;
    [[nodiscard]] bool isEmpty() const { return m_values.isEmpty(); }
    [[nodiscard]] Problem problem() const { return m_problem; }
    // The "Charset" value as written (trimmed), empty when there is none.
    [[nodiscard]] const QString& charsetText() const { return m_charsetText; }

private:
    QHash<QString, QString> m_values; // "section\nkey" in lower case
    Problem m_problem = Problem::None;
    QString m_charsetText;
};

// Builds a file of key=value lines as the profile writer would: a new section is appended, a
// new key goes at the end of its section, an existing key is replaced. Written in UTF-8.
class IniWriter {
public:
    explicit IniWriter(const QString& path);
    void setValue(const QString& section, const QString& key, const QString& value);
    // Writes the file; false when it could not be written.
    [[nodiscard]] bool save() const;

private:
    struct Section {
        QString name;
        QList<QPair<QString, QString>> entries;
    };
    QString m_path;
    QList<Section> m_sections;
};

} // namespace languagefile
