#include "languagefile.h"

#include "platform/textcodec.h"

#include <QFile>
#include <QLocale>
#include <QSaveFile>

namespace languagefile {

namespace {

QString keyOf(const QString& section, const QString& key) {
    return section.trimmed().toLower() + QLatin1Char('\n') + key.trimmed().toLower();
}

// The "Charset" of [General], found before the file is decoded: names and number are ASCII
// in every code page a language file may use.
QString findCharset(const QByteArray& bytes) {
    bool inGeneral = false;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inGeneral = line.toLower().startsWith("[general]");
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (inGeneral && equals > 0 &&
            line.left(equals).trimmed().compare("charset", Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(line.mid(equals + 1).trimmed().left(16));
    }
    return {};
}

} // namespace

QString codePageOfCharset(int charset) {
    switch (charset) {
    case 0:
        return QStringLiteral("windows-1252");
    case 128:
        return QStringLiteral("Shift_JIS");
    case 129:
        return QStringLiteral("windows-949");
    case 134:
        return QStringLiteral("GBK");
    case 136:
        return QStringLiteral("Big5");
    case 161:
        return QStringLiteral("windows-1253");
    case 162:
        return QStringLiteral("windows-1254");
    case 177:
        return QStringLiteral("windows-1255");
    case 178:
        return QStringLiteral("windows-1256");
    case 186:
        return QStringLiteral("windows-1257");
    case 204:
        return QStringLiteral("windows-1251");
    case 238:
        return QStringLiteral("windows-1250");
    default:
        return {};
    }
}

int SystemCharset() {
    // The legacy code page of the system's language, which the locale no longer names.
    switch (QLocale::system().language()) {
    case QLocale::Japanese:
        return 128;
    case QLocale::Korean:
        return 129;
    case QLocale::Chinese:
        return QLocale::system().script() == QLocale::TraditionalChineseScript ? 136 : 134;
    case QLocale::Greek:
        return 161;
    case QLocale::Turkish:
    case QLocale::Azerbaijani:
        return 162;
    case QLocale::Hebrew:
        return 177;
    case QLocale::Arabic:
    case QLocale::Persian:
    case QLocale::Urdu:
        return 178;
    case QLocale::Estonian:
    case QLocale::Latvian:
    case QLocale::Lithuanian:
        return 186;
    case QLocale::Russian:
    case QLocale::Ukrainian:
    case QLocale::Belarusian:
    case QLocale::Bulgarian:
    case QLocale::Macedonian:
    case QLocale::Serbian:
        return 204;
    case QLocale::Czech:
    case QLocale::Polish:
    case QLocale::Hungarian:
    case QLocale::Slovak:
    case QLocale::Slovenian:
    case QLocale::Croatian:
    case QLocale::Romanian:
    case QLocale::Albanian:
        return 238;
    default:
        return 0;
    }
}

IniFile IniFile::read(const QString& path) {
    QFile file(path);
    if (!file.exists()) {
        IniFile missing;
        missing.m_problem = Problem::Missing;
        return missing;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        IniFile unreadable;
        unreadable.m_problem = Problem::Unreadable;
        return unreadable;
    }
    const QByteArray bytes = file.read(MaxFileBytes);
    const bool more = !file.atEnd();
    IniFile ini = parse(bytes);
    if (more && ini.m_problem == Problem::None)
        ini.m_problem = Problem::TooLarge;
    return ini;
}

IniFile IniFile::parse(const QByteArray& bytes) {
    IniFile ini;
    if (bytes.contains('\0')) {
        ini.m_problem = Problem::Binary;
        return ini;
    }
    ini.m_charsetText = findCharset(bytes);
    QString codePage = codePageOfCharset(0);
    if (!ini.m_charsetText.isEmpty()) {
        bool number = false;
        const int charset = ini.m_charsetText.toInt(&number);
        codePage = number ? codePageOfCharset(charset) : QString();
        if (codePage.isEmpty())
            ini.m_problem = Problem::UnknownCharset;
    }
    const QString text = textcodec::decodeForeign(bytes, codePage);

    QString section;
    bool anySection = false;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            section = (close < 0 ? line.mid(1) : line.mid(1, close - 1)).toString();
            anySection = true;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0 || !anySection)
            continue;
        const QString key = keyOf(section, line.left(equals).toString());
        if (!ini.m_values.contains(key))
            ini.m_values.insert(key,
                                line.mid(equals + 1).trimmed().left(MaxValueLength).toString());
    }
    if (!anySection && ini.m_problem == Problem::None)
        ini.m_problem = Problem::NoSections;
    return ini;
}

QString IniFile::value(const QString& section, const QString& key, const QString& fallback,
                       bool* found) const {
    const auto it = m_values.constFind(keyOf(section, key));
    if (found)
        *found = it != m_values.constEnd();
    return it != m_values.constEnd() ? *it : fallback.left(MaxValueLength);
}

IniWriter::IniWriter(const QString& path)
    : m_path(path) {}

void IniWriter::setValue(const QString& section, const QString& key, const QString& value) {
    // One line per value: line breaks would end it early.
    QString flat = value;
    flat.replace(QLatin1String("\r\n"), QLatin1String(" "));
    flat.replace(QLatin1Char('\n'), QLatin1Char(' '));
    flat.replace(QLatin1Char('\r'), QLatin1Char(' '));
    for (Section& existing : m_sections) {
        if (existing.name.compare(section, Qt::CaseInsensitive) != 0)
            continue;
        for (auto& entry : existing.entries) {
            if (entry.first.compare(key, Qt::CaseInsensitive) == 0) {
                entry.second = flat;
                return;
            }
        }
        existing.entries.append({key, flat});
        return;
    }
    m_sections.append({section, {{key, flat}}});
}

bool IniWriter::save() const {
    QByteArray out;
    for (const Section& section : m_sections) {
        out += '[' + section.name.toUtf8() + "]\r\n";
        for (const auto& [key, value] : section.entries)
            out += key.toUtf8() + '=' + value.toUtf8() + "\r\n";
        out += "\r\n";
    }
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(out) != out.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace languagefile
