#include "notewindow/noteprinter.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFontMetrics>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextBlock>
#include <QTextLayout>

namespace noteprinter {

QStringList displayedLines(const QPlainTextEdit& box) {
    QStringList lines;
    const QTextDocument* document = box.document();
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        // Lays the block out at the box's width when it has not been since the last resize.
        (void)layout->blockBoundingRect(block);
        const QTextLayout* blockLines = block.layout();
        const QString text = block.text();
        if (blockLines == nullptr || blockLines->lineCount() == 0) {
            lines.append(text);
            continue;
        }
        for (int i = 0; i < blockLines->lineCount(); ++i) {
            const QTextLine line = blockLines->lineAt(i);
            lines.append(text.mid(line.textStart(), line.textLength()));
        }
    }
    if (lines.isEmpty()) {
        lines.append(QString());
    }
    return lines;
}

namespace {

// Puts lines one under the other, starting a new page when one is full.
class LineWriter {
public:
    LineWriter(QPainter& painter, QPrinter& printer)
        : m_painter(painter)
        , m_printer(printer)
        , m_height(painter.device()->height()) {}

    bool write(const QString& text, const QFont& font) {
        const QFontMetrics metrics(font, m_painter.device());
        if (m_y > 0 && m_y + metrics.height() > m_height) {
            if (!m_printer.newPage()) {
                return false;
            }
            m_y = 0;
        }
        m_painter.setFont(font);
        m_painter.drawText(0, m_y + metrics.ascent(), text);
        m_y += metrics.lineSpacing();
        return true;
    }

private:
    QPainter& m_painter;
    QPrinter& m_printer;
    int m_height;
    int m_y = 0;
};

} // namespace

bool print(QPrinter& printer, const Page& page, QString& error) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        error = printer.outputFileName().isEmpty()
                    ? QStringLiteral("The printer could not be started.")
                    : QStringLiteral("%1 could not be written.").arg(printer.outputFileName());
        return false;
    }
    QFont title = page.font;
    title.setBold(true);
    QStringList header{page.created, page.modified};
    if (!page.alarm.isEmpty()) {
        header.append(page.alarm);
    }
    header.append(QString(SeparatorLength, QLatin1Char('-')));
    LineWriter out(painter, printer);
    bool written = out.write(page.title, title);
    for (const QString& line : std::as_const(header)) {
        written = written && out.write(line, page.font);
    }
    for (const QString& line : page.lines) {
        written = written && out.write(line, page.font);
    }
    const bool ended = painter.end();
    if (!written || !ended || printer.printerState() == QPrinter::Error) {
        error = QStringLiteral("The printer stopped before the note was printed whole.");
        return false;
    }
    return true;
}

bool askWithDialog(QPrinter& printer, QWidget* owner) {
    if (QPrinterInfo::defaultPrinter().isNull()) {
        // No printer: the dialog offers printing to a PDF file.
        printer.setOutputFormat(QPrinter::PdfFormat);
        QString name = printer.docName();
        name.replace(QLatin1Char('/'), QLatin1Char('-'));
        printer.setOutputFileName(QDir::home().filePath(
            (name.isEmpty() ? QStringLiteral("note") : name) + QStringLiteral(".pdf")));
    }
    QPrintDialog dialog(&printer, owner);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace noteprinter
