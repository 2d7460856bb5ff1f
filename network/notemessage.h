#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLocale>
#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

struct NoteRecord;
struct NoteWindowState;

// The note message: one text, no header, no length and no terminator; the peer's close ends
// it. Seven fields each ended by "=" (sender, top, left, width, height, back colour, text
// colour), then the note text, which may itself hold "=" and line breaks. Numbers are written
// in the current locale's form; the text follows the rule of the data files (Windows-1252, or
// the UTF-8 mark and UTF-8).
namespace notemessage {

// What a sender puts on the wire. Geometry in twips, colours as stored.
struct Outgoing {
    QString sender;
    float top = 0;
    float left = 0;
    float width = 0;
    float height = 0;
    std::int32_t backColor = 0;
    std::int32_t foreColor = 0;
    QString text; // line breaks as "\n"; sent as CR LF
};

[[nodiscard]] QByteArray encode(const Outgoing& note, const QLocale& locale = QLocale());

// A number in the locale's default form: whole values without a separator, no grouping.
[[nodiscard]] QString numberText(double value, const QLocale& locale = QLocale());
// A number as a peer may write it: the locale's form, or either decimal separator. Empty
// for anything else (blank, letters, infinity, not a number).
[[nodiscard]] std::optional<double> parseNumber(const QString& text,
                                                const QLocale& locale = QLocale());

// What arrived. A field the message did not reach, or a number that did not parse, is empty.
struct Incoming {
    // How many "="-ended fields were found, 0..7.
    int fields = 0;
    std::optional<QString> sender;
    std::optional<double> top;
    std::optional<double> left;
    std::optional<double> width;
    std::optional<double> height;
    std::optional<double> backColor;
    std::optional<double> foreColor;
    // Fields present but unreadable as numbers, by name ("Top", "BackColor", ...).
    QStringList unreadable;
    // Everything after the last field found, blanks around it removed, line breaks as "\n".
    QString text;
};

[[nodiscard]] Incoming decode(QByteArrayView bytes, const QLocale& locale = QLocale());

// What the receiving note is built with besides the message.
struct Placement {
    // Primary screen in twips.
    QSize screen;
    // The smallest unrolled note, in twips.
    float minWidth = 0;
    float minHeight = 0;
    // "From" in the current language, and the time of arrival as the title shows it.
    QString fromWord;
    QString arrival;
};

// Applies a received message to a new note (placed and sized by the new-note command) with the
// window rules: a position outside the screen leaves the new note's place; a size that is not
// above 0 or is larger than the screen leaves the new note's size; a smaller size than a note
// can have is raised to it; a colour that is not a 32-bit value stays the new note's. Returns
// what was corrected, one line each, for the log.
QStringList applyToNote(const Incoming& message, const Placement& placement, NoteRecord& record,
                        NoteWindowState& window);

} // namespace notemessage
