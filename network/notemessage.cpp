#include "network/notemessage.h"

#include "platform/textcodec.h"
#include "store/noterecord.h"

#include <array>
#include <cmath>
#include <limits>

namespace notemessage {

namespace {

const QLatin1Char FieldEnd('=');

// The fields after the sender, in message order.
enum Field { Sender = 0, Top, Left, Width, Height, BackColor, ForeColor, FieldCount };

const std::array<QLatin1String, FieldCount> FieldNames{
    QLatin1String("Sender"),   QLatin1String("Top"),    QLatin1String("Left"),
    QLatin1String("Width"),    QLatin1String("Height"), QLatin1String("BackColor"),
    QLatin1String("ForeColor")};

// Blanks only, as fixed texts are trimmed: line breaks at either end of a note survive.
QString trimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

QString numberOrNothing(const std::optional<double>& value) {
    return value ? numberText(*value) : QStringLiteral("nothing");
}

} // namespace

QString numberText(double value, const QLocale& locale) {
    // Seven significant digits, what a single-precision value holds; the digits stay ASCII
    // for every locale, only the decimal separator is the locale's.
    QString text = QString::number(value, 'g', 7);
    const QString point = locale.decimalPoint();
    if (point != QLatin1String("."))
        text.replace(QLatin1Char('.'), point);
    return text;
}

std::optional<double> parseNumber(const QString& text, const QLocale& locale) {
    QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    // A peer in another locale may write either separator; grouping is never written.
    const QString point = locale.decimalPoint();
    if (point != QLatin1String("."))
        t.replace(point, QLatin1String("."));
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(t, &ok);
    if (!ok || !std::isfinite(value))
        return {};
    return value;
}

QByteArray encode(const Outgoing& note, const QLocale& locale) {
    // The identity is one field: an "=" in it would shift every field after it.
    QString sender = note.sender;
    sender.replace(FieldEnd, QLatin1Char('-'));
    QString text = note.text;
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    const QString message =
        sender + FieldEnd + numberText(note.top, locale) + FieldEnd +
        numberText(note.left, locale) + FieldEnd + numberText(note.width, locale) + FieldEnd +
        numberText(note.height, locale) + FieldEnd + QString::number(note.backColor) + FieldEnd +
        QString::number(note.foreColor) + FieldEnd + text;
    // The receiver reads UTF-8 from a mark anywhere in the message: Western text that holds
    // the mark's characters goes as UTF-8 too, or they would be taken for it and vanish.
    if (message.contains(QStringView(u"\u00EF\u00BB\u00BF")))
        return QByteArray(textcodec::ByteOrderMark) + message.toUtf8();
    return textcodec::encode(message);
}

Incoming decode(QByteArrayView bytes, const QLocale& locale) {
    Incoming in;
    const QString text = textcodec::decode(bytes);
    qsizetype pos = 0;
    const std::array<std::optional<double>*, FieldCount> numbers{
        nullptr, &in.top, &in.left, &in.width, &in.height, &in.backColor, &in.foreColor};
    for (int field = 0; field < FieldCount; ++field) {
        const qsizetype end = text.indexOf(FieldEnd, pos);
        if (end < 0)
            break;
        const QString value = text.mid(pos, end - pos).trimmed();
        if (field == Sender) {
            in.sender = value;
        } else {
            *numbers.at(static_cast<size_t>(field)) = parseNumber(value, locale);
            if (!*numbers.at(static_cast<size_t>(field)))
                in.unreadable << FieldNames.at(static_cast<size_t>(field));
        }
        pos = end + 1;
        in.fields = field + 1;
    }
    QString rest = text.mid(pos);
    rest.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    rest.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    in.text = trimBlanks(rest);
    return in;
}

QStringList applyToNote(const Incoming& message, const Placement& placement, NoteRecord& record,
                        NoteWindowState& window) {
    QStringList corrected;
    for (const QString& name : message.unreadable)
        corrected << name + QStringLiteral(" is not a number: kept the new note's");

    if (message.sender) {
        // One line: control characters from a peer would break the title bar and the list.
        QString sender = *message.sender;
        for (QChar& c : sender) {
            if (c.category() == QChar::Other_Control)
                c = QLatin1Char(' ');
        }
        // Cut as the title field keeps it: 50 bytes on file.
        record.setTitle(textcodec::cutToBytes(placement.fromWord + QLatin1Char(' ') + sender +
                                                  QLatin1Char(' ') + placement.arrival,
                                              width::Title));
    }

    const auto position = [&](const std::optional<double>& value, double screen, float& target,
                              const char* name) {
        if (!value)
            return;
        if (*value > 0 && *value < screen) {
            target = static_cast<float>(*value);
            return;
        }
        corrected << QLatin1String(name) + QStringLiteral(" ") + numberOrNothing(value) +
                         QStringLiteral(" is outside the screen: kept ") + numberText(target);
    };
    position(message.top, placement.screen.height(), window.Top, "Top");
    position(message.left, placement.screen.width(), window.Left, "Left");

    const auto size = [&](const std::optional<double>& value, double screen, float minimum,
                          float& target, const char* name) {
        if (!value)
            return;
        if (!(*value > 0) || *value > screen) {
            corrected << QLatin1String(name) + QStringLiteral(" ") + numberOrNothing(value) +
                             QStringLiteral(" does not fit the screen: kept ") + numberText(target);
            return;
        }
        if (*value < minimum) {
            corrected << QLatin1String(name) + QStringLiteral(" ") + numberOrNothing(value) +
                             QStringLiteral(" is below the smallest note: made ") +
                             numberText(minimum);
            target = minimum;
            return;
        }
        target = static_cast<float>(*value);
    };
    size(message.width, placement.screen.width(), placement.minWidth, window.Width, "Width");
    size(message.height, placement.screen.height(), placement.minHeight, window.Height, "Height");

    const auto colour = [&](const std::optional<double>& value, std::int32_t& target,
                            const char* name) {
        if (!value)
            return;
        const double rounded = std::nearbyint(*value);
        if (rounded < std::numeric_limits<std::int32_t>::min() ||
            rounded > std::numeric_limits<std::int32_t>::max()) {
            corrected << QLatin1String(name) + QStringLiteral(" ") + numberOrNothing(value) +
                             QStringLiteral(" is no colour: kept the new note's");
            return;
        }
        target = static_cast<std::int32_t>(rounded);
    };
    colour(message.backColor, window.BackColor, "BackColor");
    colour(message.foreColor, window.ForeColor, "ForeColor");

    // What the text field keeps on file, so the note shown is the note saved.
    window.Text = textcodec::cutToBytes(message.text, width::Text);
    if (window.Text.size() < message.text.size()) {
        corrected << QStringLiteral("Text of ") + QString::number(message.text.size()) +
                         QStringLiteral(" characters cut to the note's ") +
                         QString::number(width::Text) + QStringLiteral(" bytes");
    }
    return corrected;
}

} // namespace notemessage
