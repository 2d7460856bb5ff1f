#pragma once

#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>

class QPlainTextEdit;
class QPrinter;
class QWidget;

// Printing one note: the title in bold, the dates, the alarm line, the separator and the text
// broken into lines exactly where the note window breaks it.
namespace noteprinter {

inline constexpr int SeparatorLength = 58;

struct Page {
    // The stored title, its trailing blanks included.
    QString title;
    QString created;
    QString modified;
    // "Alarm set : ..." or empty when no alarm is set.
    QString alarm;
    QStringList lines;
    // The text box's font: the title takes it in bold, the body as it is.
    QFont font;
};

// The lines of the text box as it shows them now: one per line of its own layout, so a
// narrower window gives more, shorter lines. An empty text is one empty line.
[[nodiscard]] QStringList displayedLines(const QPlainTextEdit& box);

// Prints the page; false with `error` saying why when the printer could not take it.
[[nodiscard]] bool print(QPrinter& printer, const Page& page, QString& error);

// Lets the user choose the printer (or a PDF file); false when cancelled.
using ChoosePrinter = std::function<bool(QPrinter& printer, QWidget* owner)>;
// The system print dialog. Without a default printer it starts on printing to a PDF file.
bool askWithDialog(QPrinter& printer, QWidget* owner);

} // namespace noteprinter
