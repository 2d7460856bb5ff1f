#pragma once

#include "linkedfiles.h"

#include "platform/errors.h"

#include <QByteArray>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <map>

class MessageSink;
class NoteStore;
class ProgramFolder;
class Translator;
namespace fileio {
class FileSystem;
}

// Text files written by others, as a note shows them and writes them back.
namespace linkedfile {

enum class Encoding { Windows1252, Utf8, Utf8WithMark };
enum class LineBreak { CrLf, Lf };

struct Format {
    Encoding encoding = Encoding::Windows1252;
    LineBreak breaks = LineBreak::CrLf;
    friend bool operator==(const Format&, const Format&) = default;
};

struct Decoded {
    // Line breaks as "\n"; the one line break that ends the file is not shown.
    QString text;
    Format format;
    // NUL bytes: not a text file.
    bool binary = false;
};

// The mark, or valid UTF-8 holding a non-ASCII byte, means UTF-8; anything else is
// Windows-1252. Line breaks are CR LF when the file holds one, else LF when it holds one.
[[nodiscard]] Decoded decode(QByteArrayView bytes);
// The note's text as the file holds it: blanks trimmed at both ends, one line break after it,
// in the file's line breaks and encoding. A Windows-1252 file that cannot hold a character of
// the text becomes UTF-8 (`format` says so afterwards).
[[nodiscard]] QByteArray encode(const QString& text, Format& format);
// "name (label).ext" beside the file.
[[nodiscard]] QString besidePath(const QString& path, const QString& label);

} // namespace linkedfile

// The linked files of the notes: reads them into the notes (never more than a note holds, and
// a file read in part is shown read-only and never written back), writes the notes' edits back
// without overwriting changes made elsewhere, and follows changes made outside.
class LinkedFileStore : public QObject, public LinkedFiles {
    Q_OBJECT
public:
    // At most this much of a file is looked at; a longer one is read in part anyway.
    static constexpr qint64 MaxReadBytes = 1 << 20;

    LinkedFileStore(NoteStore& store, const ProgramFolder& folder, fileio::FileSystem& fs,
                    MessageSink& messages, const Translator& tr, QObject* parent = nullptr);
    ~LinkedFileStore() override;

    // Reads the note's linked file into its text and marks it changed. A missing, unreadable
    // or binary file leaves the text as it is, says why and is never written to.
    void ReadLinkedFile(int slot) override;
    // Writes the note's text to its linked file when it differs from what the file holds. A
    // file read in part, or one that could not be read or has gone, is never written; a file
    // changed elsewhere since it was read is not overwritten: the note's text goes beside it
    // and the user chooses. A failed write is told once and tried again at the next save.
    void WriteLinkedFile(int slot) override;
    void retryFailedWrites() override;
    void forgetAll() override;

    // Applies the properties panel's link settings: writes pending edits to the file linked so
    // far, stores the link, reads the newly linked file, marks the note changed.
    void UpdateLinkedFile(int slot, bool openFile, const QString& fileToOpen);

    // Looks at every linked file: a file changed elsewhere is shown in its note when the note
    // has no edits of its own, else the user chooses which version to keep; a file that has
    // gone is told once.
    void checkForOutsideChanges();

    // The note shows only the start of its file.
    [[nodiscard]] bool readInPart(int slot) const;
    // The files (full paths) worth watching.
    [[nodiscard]] QStringList watchedFiles() const;
    // The full path a stored path stands for ("~/" is the home folder).
    [[nodiscard]] QString fullPath(const QString& stored) const;

signals:
    // The note's text was replaced from its file: its window shows it anew.
    void textReplaced(int slot);
    // The set of watched files changed.
    void watchedFilesChanged();

private:
    struct Link {
        QString path;
        linkedfile::Format format;
        // The file's bytes as last read or written here; `known` false when never seen.
        bool known = false;
        QByteArray digest;
        // The note's text that matches the file.
        QString syncedText;
        bool readInPart = false;
        // Could not be read (missing, unreadable, binary): never written.
        bool unreadable = false;
        // Gone since it was read: never created again.
        bool vanished = false;
        bool writeFailed = false;
        // Changed on both sides: the question is asked or waits to be asked.
        bool conflict = false;
    };
    struct FileNow {
        bool exists = false;
        IoError error;
        QByteArray bytes;
        qint64 size = 0;
    };

    Link& linkFor(int slot);
    [[nodiscard]] FileNow look(const QString& path) const;
    // Takes the file's bytes into the note.
    void takeIn(int slot, Link& link, const FileNow& now);
    void keepBoth(int slot, Link& link, bool askNow);
    void tellGone(int slot, Link& link);
    void ask(int slot);
    bool writeFile(int slot, Link& link, const QByteArray& bytes);
    void readFailure(int slot, const QString& text);
    void writeFailure(int slot, const QString& path, const IoError& error);
    [[nodiscard]] QString noteTitle(int slot) const;
    [[nodiscard]] bool hasEditsOfItsOwn(int slot, const Link& link) const;

    NoteStore& m_store;
    const ProgramFolder& m_folder;
    fileio::FileSystem& m_fs;
    MessageSink& m_messages;
    const Translator& m_tr;
    std::map<int, Link> m_links;
    // Files whose partial reading was told this run.
    QSet<QString> m_toldInPart;
    bool m_checking = false;
    bool m_checkAgain = false;
};
