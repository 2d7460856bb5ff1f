#include "shell/settingsfile.h"

#include "localisation/translator.h"
#include "platform/autostart.h"
#include "platform/diagnosticlog.h"
#include "platform/errors.h"
#include "platform/fileio.h"
#include "platform/messagesink.h"
#include "platform/textcodec.h"
#include "shell/periodic.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <variant>
#include <vector>

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString EndKey = QStringLiteral("[End of INI]");

constexpr int KeyWidth = 20;
constexpr int ValueWidth = 128;
// The file holds some 70 lines of 150 bytes; anything far beyond is not ours to read.
constexpr qint64 MaxFileBytes = 1 << 20;

// Ignored: accepted when read, never written.
enum class Kind { Text, Flag, Check, Number, Integer, Colour, Code, List, Ignored };

// Keys whose value needs more than its kind's conversion.
enum class Rule {
    None,
    Version,       // written from the running program
    Language,      // an entry of the language list, traced in diagnostic mode
    ScreenHeight,  // a top that must lie on the screen
    ScreenWidth,   // a left that must lie on the screen
    PictureDir,    // kept only with a directory separator
    MailInterval,  // an integer kept as the interval field's text
    DimLevel,      // an integer kept as the three-digit dimming field
    AutoSaveEntry, // an entry of the auto-save interval list
    AutoRefreshEntry,
};

using Target = std::variant<std::monostate, bool*, int*, float*, std::int16_t*, QString*>;

struct Entry {
    QLatin1String key;
    Kind kind;
    Target target;
    Rule rule = Rule::None;
    int width = ValueWidth; // text cut, in bytes as the note record stores it
    bool written = true;
};

// The one table of the file: reading and writing both walk it, in this order.
std::vector<Entry> settingsTable(Settings& s) {
    NoteDefaultsRecord& d = s.NoteDefaults;
    return {
        {QLatin1String("[Version]"), Kind::Text, &s.Version, Rule::Version},
        {QLatin1String("[DebugMode]"), Kind::Flag, &s.DebugMode},
        {QLatin1String("[ShowTooltips]"), Kind::Check, &s.chkShowTooltips},
        {QLatin1String("[Language]"), Kind::Text, &s.Language, Rule::Language},
        {QLatin1String("[posStartupTop]"), Kind::Number, &s.posStartupTop, Rule::ScreenHeight},
        {QLatin1String("[posStartupLeft]"), Kind::Number, &s.posStartupLeft, Rule::ScreenWidth},
        {QLatin1String("[frmStartupVisible]"), Kind::Flag, &s.frmStartupVisible},
        {QLatin1String("[DefautTop]"), Kind::Number, &d.Top},
        {QLatin1String("[DefautHeight]"), Kind::Number, &d.Height},
        {QLatin1String("[DefautWidth]"), Kind::Number, &d.Width},
        {QLatin1String("[DefautLeft]"), Kind::Number, &d.Left},
        {QLatin1String("[DefautFontName]"), Kind::Text, &d.FontName, Rule::None, 32},
        {QLatin1String("[DefautFontSize]"), Kind::Number, &d.FontSize},
        {QLatin1String("[DefautFontBold]"), Kind::Flag, &d.FontBold},
        {QLatin1String("[DefautFontItalic]"), Kind::Flag, &d.FontItalic},
        {QLatin1String("[DefautFontUnderl]"), Kind::Flag, &d.FontUnderline},
        {QLatin1String("[DefautBackColor]"), Kind::Colour, &d.BackColor},
        {QLatin1String("[DefautForeColor]"), Kind::Colour, &d.ForeColor},
        {QLatin1String("[DefautAlwaysOnTop]"), Kind::Flag, &d.AlwaysOnTop},
        {QLatin1String("[DefautShowScrollb]"), Kind::Flag, &d.ShowScrollBar},
        {QLatin1String("[DefautShowTitle]"), Kind::Flag, &d.ShowTitle},
        {QLatin1String("[DefautRollup]"), Kind::Flag, &d.Rollup},
        {QLatin1String("[DefautRollHeight]"), Kind::Number, &d.RollHeight},
        {QLatin1String("[DefautAutoRoll]"), Kind::Flag, &d.AutoRoll},
        {QLatin1String("[DefautAutoDim]"), Kind::Flag, &d.AutoDim},
        {QLatin1String("[DefautImageMode]"), Kind::Integer, &d.ImageMode},
        {QLatin1String("[SetupAutoSave]"), Kind::Check, &s.chkAutoSave},
        {QLatin1String("[SetupAutoRefresh]"), Kind::Check, &s.chkAutoRefresh},
        {QLatin1String("[SetupMoveNotes]"), Kind::Check, &s.chkMoveNotes},
        {QLatin1String("[SetupRandomColor]"), Kind::Check, &s.chkRandomColor},
        {QLatin1String("[AnimateNote]"), Kind::Check, &s.chkAnimateNote},
        {QLatin1String("[ConfirmDelete]"), Kind::Check, &s.chkConfirmDelete},
        {QLatin1String("[SetupAutoSaveTime]"), Kind::Integer, &s.cboAutoSaveTime,
         Rule::AutoSaveEntry},
        {QLatin1String("[SetupAutoRefrTime]"), Kind::Integer, &s.cboAutoRefreshTime,
         Rule::AutoRefreshEntry},
        {QLatin1String("[DefautAlarmFreq]"), Kind::Code, &d.AlarmFreq},
        {QLatin1String("[DefautAlarmPrev]"), Kind::Integer, &d.AlarmPrev},
        {QLatin1String("[DefautAlarmPrevTp]"), Kind::Code, &d.AlarmPrevTp},
        {QLatin1String("[DefautAlarmPlaySd]"), Kind::Flag, &d.AlarmPlaySd},
        {QLatin1String("[DefautAlarmSndFil]"), Kind::Text, &d.AlarmSndFil, Rule::None, 64},
        {QLatin1String("[DefautAlarmExecut]"), Kind::Flag, &d.AlarmExecut},
        {QLatin1String("[DefautAlarmExeFil]"), Kind::Text, &d.AlarmExeFil, Rule::None, 64},
        {QLatin1String("[DefautAlarmShow]"), Kind::Flag, &d.AlarmShow},
        {QLatin1String("[MailCheckNet]"), Kind::Check, &s.chkCheckConnection},
        {QLatin1String("[MailCheck]"), Kind::Check, &s.chkCheckMail},
        {QLatin1String("[MailFreqCheck]"), Kind::Integer, &s.txtMailInterval, Rule::MailInterval},
        {QLatin1String("[MailUserName]"), Kind::Text, &s.txtUser},
        {QLatin1String("[MailPassword]"), Kind::Text, &s.txtPass},
        {QLatin1String("[MailServer]"), Kind::Text, &s.txtServeurIP},
        {QLatin1String("[MailPort]"), Kind::Text, &s.txtPort},
        {QLatin1String("[MailSilent]"), Kind::Check, &s.chkMailSilent},
        {QLatin1String("[MailPlaySound]"), Kind::Check, &s.chkMailPlaySound},
        {QLatin1String("[MailWavFile]"), Kind::Text, &s.MailWavFile},
        {QLatin1String("[PictureDir]"), Kind::Text, &s.PictureDir, Rule::PictureDir},
        {QLatin1String("[NetEnable]"), Kind::Check, &s.chkNetEnable},
        {QLatin1String("[NetPlaySound]"), Kind::Check, &s.chkNetPlaySound},
        {QLatin1String("[NetWavFile]"), Kind::Text, &s.NetWavFile},
        {QLatin1String("[AutoDimValue]"), Kind::Integer, &s.txtAutoDimValue, Rule::DimLevel},
        {QLatin1String("[PrefixNewNote]"), Kind::Text, &s.txtPrefixNewNote},
        {QLatin1String("[posSNotifyTop]"), Kind::Number, &s.posSNotifyTop, Rule::ScreenHeight},
        {QLatin1String("[posSNotifyLeft]"), Kind::Number, &s.posSNotifyLeft, Rule::ScreenWidth},
        {QLatin1String("[DetMailWindow]"), Kind::List, &s.DetMailWindow},
        {QLatin1String("[MailDetailWindow]"), Kind::List, &s.MailDetailWindow},
        {QLatin1String("[MultiScreens]"), Kind::Check, &s.chkMultiScreens},
        {QLatin1String("[MailProgram]"), Kind::Text, &s.MailProgram},
        {QLatin1String("[NetID]"), Kind::Text, &s.NetID},
        {QLatin1String("[RefreshSysIcon]"), Kind::Ignored, std::monostate{}, Rule::None, ValueWidth,
         false},
    };
}

// The leading decimal number of a value, "." or "," as the decimal point; nothing when the
// value does not start with a number.
std::optional<double> parseNumber(const QString& value) {
    QString text;
    qsizetype i = 0;
    const qsizetype n = value.size();
    auto digit = [&](qsizetype at) {
        return at < n && value.at(at) >= QLatin1Char('0') && value.at(at) <= QLatin1Char('9');
    };
    if (i < n && (value.at(i) == QLatin1Char('-') || value.at(i) == QLatin1Char('+')))
        text += value.at(i++);
    bool any = false;
    while (digit(i)) {
        text += value.at(i++);
        any = true;
    }
    if (i < n && (value.at(i) == QLatin1Char('.') || value.at(i) == QLatin1Char(','))) {
        text += QLatin1Char('.');
        ++i;
        while (digit(i)) {
            text += value.at(i++);
            any = true;
        }
    }
    if (!any)
        return std::nullopt;
    if (i < n && (value.at(i) == QLatin1Char('e') || value.at(i) == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        QString exponent = QStringLiteral("e");
        if (j < n && (value.at(j) == QLatin1Char('-') || value.at(j) == QLatin1Char('+')))
            exponent += value.at(j++);
        if (digit(j)) {
            while (digit(j))
                exponent += value.at(j++);
            text += exponent;
        }
    }
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return number;
}

// A whole number within [low, high], rounded as the integer conversion does.
std::optional<qint64> parseInteger(const QString& value, qint64 low, qint64 high) {
    const auto number = parseNumber(value);
    if (!number)
        return std::nullopt;
    const double rounded = std::nearbyint(*number);
    if (rounded < static_cast<double>(low) || rounded > static_cast<double>(high))
        return std::nullopt;
    return static_cast<qint64>(rounded);
}

QString formatNumber(float value) {
    // Seven significant digits, as a single-precision number prints; never the locale's
    // decimal comma.
    return QString::number(static_cast<double>(value), 'g', 7);
}

// Hand-written files may say yes and no in words, in English or French.
QString wordsToDigits(const QString& value) {
    const QString lower = value.toLower();
    if (lower == QLatin1String("vrai") || lower == QLatin1String("true"))
        return QStringLiteral("1");
    if (lower == QLatin1String("faux") || lower == QLatin1String("false"))
        return QStringLiteral("0");
    return value;
}

// Blanks off both ends, and NULs off the end: a field written with NULs at its end reads back
// without them, so the value read first must not keep them either.
QString trimValue(const QString& value) {
    qsizetype begin = 0;
    qsizetype end = value.size();
    while (begin < end && value.at(begin).isSpace())
        ++begin;
    while (end > begin && (value.at(end - 1).isSpace() || value.at(end - 1).isNull()))
        --end;
    return value.mid(begin, end - begin);
}

struct ReadRules {
    const SettingsReadContext& context;
    DiagnosticLog* log;
};

void applyValue(const Entry& entry, const QString& rawValue, Settings& settings,
                const ReadRules& rules) {
    // The words stand for flags and numbers only: a password or a name that happens to be
    // "True" stays as typed.
    const bool textual =
        entry.kind == Kind::Text || entry.kind == Kind::Code || entry.kind == Kind::List;
    const QString value = textual ? rawValue : wordsToDigits(rawValue);

    switch (entry.kind) {
    case Kind::Ignored:
        break;
    case Kind::Text: {
        QString& target = *std::get<QString*>(entry.target);
        if (entry.rule == Rule::PictureDir) {
            if (ProgramFolder::hasSeparator(value))
                target = value;
        } else if (entry.rule == Rule::Language) {
            if (settings.DebugMode && rules.log) {
                rules.log->WriteLog(
                    DebugLogName, QStringLiteral("[Lire_ini] (Before Loading) cboLanguages.text=") +
                                      target + QStringLiteral(" Language to load : ") + value);
            }
            // Only an entry of the list can be selected; a language whose file is gone
            // leaves the choice as it was.
            if (rules.context.languages.isEmpty() || rules.context.languages.contains(value))
                target = value;
            if (settings.DebugMode && rules.log) {
                rules.log->WriteLog(
                    DebugLogName,
                    QStringLiteral("[Lire_ini] (After Loading)  cboLanguages.text=") + target);
            }
        } else {
            // Trimmed again after the cut, as the next read trims what is written.
            target = entry.width < ValueWidth ? trimValue(textcodec::cutToBytes(value, entry.width))
                                              : value;
        }
        break;
    }
    case Kind::Code:
        *std::get<QString*>(entry.target) = value.left(1);
        break;
    case Kind::List:
        *std::get<QString*>(entry.target) = value;
        break;
    case Kind::Flag:
        if (const auto v = parseInteger(value, std::numeric_limits<std::int32_t>::min(),
                                        std::numeric_limits<std::int32_t>::max()))
            *std::get<bool*>(entry.target) = *v != 0;
        break;
    case Kind::Check:
        if (const auto v = parseInteger(value, 0, 2))
            *std::get<int*>(entry.target) = static_cast<int>(*v);
        break;
    case Kind::Colour:
        if (const auto v = parseInteger(value, std::numeric_limits<std::int32_t>::min(),
                                        std::numeric_limits<std::int32_t>::max()))
            *std::get<int*>(entry.target) = static_cast<int>(*v);
        break;
    case Kind::Number: {
        const auto v = parseNumber(value);
        if (!v || std::fabs(*v) > std::numeric_limits<float>::max())
            break;
        if (entry.rule == Rule::ScreenHeight || entry.rule == Rule::ScreenWidth) {
            const QSize& screen = rules.context.screenTwips;
            const double limit =
                entry.rule == Rule::ScreenHeight ? screen.height() : screen.width();
            const double whole = std::floor(*v);
            if (whole < 1 || whole >= limit)
                break;
        }
        *std::get<float*>(entry.target) = static_cast<float>(*v);
        break;
    }
    case Kind::Integer:
        switch (entry.rule) {
        case Rule::MailInterval:
            if (const auto v = parseInteger(value, 0, std::numeric_limits<std::int32_t>::max()))
                *std::get<QString*>(entry.target) = QString::number(*v);
            break;
        case Rule::DimLevel:
            // The level lies between 0 (transparent) and 255 (opaque). One outside changes
            // nothing, as in the setup panel: a negative level must not leave notes invisible.
            if (const auto level = parseInteger(value, 0, 255)) {
                *std::get<QString*>(entry.target) =
                    QStringLiteral("%1").arg(*level, 3, 10, QLatin1Char('0'));
            }
            break;
        case Rule::AutoSaveEntry:
        case Rule::AutoRefreshEntry: {
            // Only an entry the list has can be selected.
            const qint64 count = entry.rule == Rule::AutoSaveEntry ? AutoSaveTimes().size()
                                                                   : AutoRefreshTimes().size();
            if (const auto v = parseInteger(value, -1, count - 1))
                *std::get<int*>(entry.target) = static_cast<int>(*v);
            break;
        }
        default:
            if (auto* small = std::get_if<std::int16_t*>(&entry.target)) {
                if (const auto v = parseInteger(value, std::numeric_limits<std::int16_t>::min(),
                                                std::numeric_limits<std::int16_t>::max()))
                    **small = static_cast<std::int16_t>(*v);
            } else if (const auto v = parseInteger(value, std::numeric_limits<std::int32_t>::min(),
                                                   std::numeric_limits<std::int32_t>::max())) {
                *std::get<int*>(entry.target) = static_cast<int>(*v);
            }
            break;
        }
        break;
    }
}

QString valueText(const Entry& entry) {
    switch (entry.kind) {
    case Kind::Flag:
        return *std::get<bool*>(entry.target) ? QStringLiteral("1") : QStringLiteral("0");
    case Kind::Check:
    case Kind::Colour:
        return QString::number(*std::get<int*>(entry.target));
    case Kind::Number:
        return formatNumber(*std::get<float*>(entry.target));
    case Kind::Integer:
        if (const auto* text = std::get_if<QString*>(&entry.target))
            return **text;
        if (const auto* small = std::get_if<std::int16_t*>(&entry.target))
            return QString::number(**small);
        return QString::number(*std::get<int*>(entry.target));
    case Kind::Text:
        // The version the notes were last written under: the start-up sets the running one
        // once the rewrite a new version asks for has succeeded.
        if (entry.rule == Rule::Version)
            return *std::get<QString*>(entry.target);
        if (entry.rule == Rule::PictureDir) {
            const QString& dir = *std::get<QString*>(entry.target);
            return ProgramFolder::hasSeparator(dir) ? dir : QString();
        }
        return *std::get<QString*>(entry.target);
    case Kind::Code:
        return std::get<QString*>(entry.target)->left(1);
    case Kind::List:
        return *std::get<QString*>(entry.target);
    case Kind::Ignored:
        break;
    }
    return {};
}

QByteArray settingsLine(const QString& key, const QString& value) {
    QByteArray line = textcodec::encodeFixed(key, KeyWidth);
    line += textcodec::encodeFixed(value, ValueWidth);
    line += "\r\n";
    return line;
}

} // namespace

QString systemDayName(const QDate& date) {
    return QLocale::system().dayName(date.dayOfWeek(), QLocale::LongFormat);
}

QString languageFromDayNames(const DayNameFunction& dayName) {
    const auto name = [&](int year, int month, int day) {
        return dayName(QDate(year, month, day)).toLower();
    };
    // The dates have equal day and month, so the date order of the system does not matter.
    const QString saturday = name(2001, 7, 7);
    const QString sunday = name(2003, 2, 2);
    // Polish calls Saturday "sobota" too, so Sunday decides before the Czech Saturday does.
    if (sunday == QLatin1String("niedziela"))
        return QStringLiteral("Polish");
    if (saturday == QLatin1String("sobota"))
        return QStringLiteral("Czech");
    if (sunday == QLatin1String("dimanche"))
        return QStringLiteral("French");
    if (sunday == QLatin1String("domenica"))
        return QStringLiteral("Italian");
    // Portuguese shares "domingo"; its Monday is not "lunes".
    if (sunday == QLatin1String("domingo") && name(2003, 3, 3) == QLatin1String("lunes"))
        return QStringLiteral("Spanish");
    if (sunday == QString::fromUtf8("söndag"))
        return QStringLiteral("Swedish");
    if (sunday == QLatin1String("sonntag"))
        return QStringLiteral("German");
    if (sunday == QLatin1String("zondag"))
        return QStringLiteral("Dutch");
    return {};
}

SettingsFile::SettingsFile(const ProgramFolder& folder, MessageSink& messages,
                           const Translator& translator, DiagnosticLog* log)
    : m_folder(folder)
    , m_messages(messages)
    , m_translator(translator)
    , m_log(log) {}

SettingsReadResult SettingsFile::ReadSettings(Settings& settings, ProgramState& state,
                                              const SettingsReadContext& context) {
    SettingsReadResult result;
    QByteArray bytes;
    const QString file = path();
    const IoError error = fileio::readAll(file, bytes, MaxFileBytes);
    if (error.number == errnum::FileNotFound) {
        firstRun(settings, state, context, error.number, error.description, result);
        return result;
    }
    if (error.failed()) {
        // A file that is there but cannot be read is no first run: the values of one are
        // used, the user is told, and the file is left for the user to look at.
        firstRunValues(settings, state, context);
        m_messages.Message_box(QStringLiteral("Error # ") + formatErrorNumber(error.number) +
                                   QStringLiteral(" : ") + error.description.trimmed() + CrLf +
                                   file + CrLf + m_translator.Translation(3),
                               m_translator.Translation(63), msgbox::Error);
        return result;
    }
    result.fileRead = true;

    const std::vector<Entry> table = settingsTable(settings);
    const ReadRules rules{context, m_log};
    const bool cut = fileio::fileSize(file) > bytes.size();
    const QList<QByteArray> lines = bytes.split('\n');
    int applied = 0;
    QString stoppedAt;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray raw = lines.at(i);
        // The piece after the last line break is no line.
        if (i == lines.size() - 1 && raw.isEmpty())
            break;
        if (raw.endsWith('\r'))
            raw.chop(1);
        const QString line = textcodec::decode(raw);
        // Key and value are fields of their own: the value is UTF-8 only when it starts with
        // the mark, so the mark's characters inside a Western value stay what they are.
        QByteArray rawValue = raw.mid(KeyWidth);
        while (rawValue.startsWith(' '))
            rawValue.remove(0, 1);
        const QString key = textcodec::decodeFixed(raw.left(KeyWidth)).trimmed();
        // Trimmed again after the cut, so the value read is the one that is written back.
        const QString value =
            trimValue(trimValue(textcodec::decodeFixed(rawValue)).left(ValueWidth));
        const auto entry =
            std::find_if(table.begin(), table.end(), [&](const Entry& e) { return key == e.key; });
        // An unknown key, normally the end marker, ends the reading.
        if (entry == table.end()) {
            if (key != EndKey)
                stoppedAt = QString::number(i + 1) + QStringLiteral(": ") + line.left(40);
            break;
        }
        applyValue(*entry, value, settings, rules);
        ++applied;
    }
    if (cut || !stoppedAt.isEmpty()) {
        // Damaged: the original is kept beside the file before it is ever rewritten, and the
        // user is told what was passed over. A file of which nothing could be used gives a
        // first run's values rather than every box cleared.
        if (applied == 0) {
            Settings fresh;
            firstRunValues(fresh, state, context);
            settings = fresh;
        }
        state.SettingsChanged = true;
        keepDamagedCopy(stoppedAt.isEmpty()
                            ? QString::number(lines.size()) + QStringLiteral(": ...")
                            : stoppedAt);
    }
    return result;
}

void SettingsFile::keepDamagedCopy(const QString& stoppedAt) {
    const QString file = path();
    const QString copy = file + QStringLiteral(".damaged-") +
                         QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    // A copy kept earlier today is the better one: it is older than any rewrite.
    if (!fileio::exists(copy))
        (void)fileio::copyFile(file, copy);
    m_messages.Message_box(m_translator.Translation(108) + CrLf + copy + CrLf + CrLf + file +
                               QStringLiteral(" : ") + stoppedAt.simplified(),
                           m_translator.Translation(63), msgbox::Error);
}

void SettingsFile::firstRunValues(Settings& settings, ProgramState& state,
                                  const SettingsReadContext& context) {
    settings.frmStartupVisible = true;
    settings.chkAutoSave = static_cast<int>(Check::Ticked);
    settings.chkMoveNotes = static_cast<int>(Check::Ticked);
    settings.chkConfirmDelete = static_cast<int>(Check::Ticked);
    settings.chkShowTooltips = static_cast<int>(Check::Ticked);
    settings.chkAutoRefresh = static_cast<int>(Check::Clear);
    settings.chkRandomColor = static_cast<int>(Check::Clear);
    settings.posStartupTop = static_cast<float>(context.screenTwips.height() / 2.0 -
                                                context.managerTwips.height() / 2.0);
    settings.posStartupLeft =
        static_cast<float>(context.screenTwips.width() / 2.0 - context.managerTwips.width() / 2.0);
    state.SettingsChanged = true;
}

void SettingsFile::firstRun(Settings& settings, ProgramState& state,
                            const SettingsReadContext& context, int errorNumber,
                            const QString& errorText, SettingsReadResult& result) {
    firstRunValues(settings, state, context);

    const QString message = QStringLiteral("Error # ") + formatErrorNumber(errorNumber) +
                            QStringLiteral(" : ") + errorText.trimmed() + CrLf;

    if (context.dayName) {
        const QString language = languageFromDayNames(context.dayName);
        if (!language.isEmpty()) {
            for (const QString& entry : context.languages) {
                if (entry.startsWith(language, Qt::CaseInsensitive)) {
                    settings.Language = entry;
                    break;
                }
            }
        }
    }

    if (context.runValue.isEmpty()) {
        QStringList lines;
        for (int number = 18; number <= 22; ++number)
            lines << m_translator.Translation(number);
        m_messages.Message_box(lines.join(CrLf), m_translator.Translation(1), msgbox::Info);
        if (!context.executablePath.isEmpty())
            result.registeredToStart = autostart::writeRunValue(context.executablePath);
    } else {
        const int reason = errorNumber == errnum::FileNotFound ? 2 : 3;
        m_messages.Message_box(message + CrLf + m_translator.Translation(reason),
                               m_translator.Translation(63), msgbox::Error);
    }
}

bool SettingsFile::WriteSettings(const Settings& settings, ProgramState& state) {
    if (!state.SettingsChanged)
        return true;

    // The table hands out pointers to its targets; writing works on a copy.
    Settings copy = settings;
    QByteArray bytes;
    for (const Entry& entry : settingsTable(copy)) {
        if (entry.written)
            bytes += settingsLine(entry.key, valueText(entry));
    }
    bytes += settingsLine(EndKey, QString());

    // Written beside and renamed over, so a failure never leaves half a file behind; through
    // a symbolic link to its target, keeping the file's mode. It holds the mail password, so
    // a new file is the user's alone. A read-only file is refused, as its permissions ask.
    const QString file = path();
    const IoError error = fileio::replaceFile(file, bytes, 0600);
    if (error.failed()) {
        m_messages.Message_box(QStringLiteral("error ") + formatErrorNumber(error.number) + CrLf +
                                   m_translator.Translation(62) + QLatin1Char(' ') + file,
                               QString(), msgbox::WriteFailure);
        return false;
    }
    state.SettingsChanged = false;
    return true;
}

void FillDefaults(Settings& settings, ProgramState& state) {
    NoteDefaultsRecord& d = settings.NoteDefaults;
    // No usable font size means the file gave no note defaults.
    if (!(d.FontSize > 0)) {
        d.Width = 2000;
        d.Height = 2000;
        d.Top = 500;
        d.Left = 500;
        d.AlwaysOnTop = true;
        d.ShowScrollBar = false;
        d.ShowTitle = true;
        d.BackColor = 65535; // yellow
        // The button-text system colour (0x80000012): windows show it in the desktop's
        // palette, so the text stays readable under a dark theme.
        d.ForeColor = -2147483630;
        d.FontName = QStringLiteral("Arial");
        d.FontSize = 12;
        d.FontBold = false;
        d.FontItalic = false;
        d.FontUnderline = false;
        d.Rollup = false;
        d.RollHeight = 0;
        d.AutoRoll = false;
        d.AutoDim = false;
        d.ImageMode = 0;
    }
    if (d.AlarmPrevTp != QLatin1String("M") && d.AlarmPrevTp != QLatin1String("H") &&
        d.AlarmPrevTp != QLatin1String("J")) {
        d.AlarmExeFil.clear();
        d.AlarmSndFil.clear();
        d.AlarmPlaySd = false;
        d.AlarmExecut = false;
        d.AlarmShow = true;
        d.AlarmFreq = QStringLiteral("U");
        d.AlarmPrev = 0;
        d.AlarmPrevTp = QStringLiteral("J");
        state.SettingsChanged = true;
    }
    if (settings.cboAutoSaveTime < 0 || settings.cboAutoSaveTime >= AutoSaveTimes().size())
        settings.cboAutoSaveTime = DefaultIntervalEntry;
    if (settings.cboAutoRefreshTime < 0 || settings.cboAutoRefreshTime >= AutoRefreshTimes().size())
        settings.cboAutoRefreshTime = DefaultIntervalEntry;
}
