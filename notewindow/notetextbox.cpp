#include "notewindow/notetextbox.h"

#include "platform/textcodec.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QToolTip>

namespace fieldlimit {

namespace {
QString withCrLf(const QString& value) {
    QString onFile = value;
    onFile.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    onFile.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return onFile;
}
} // namespace

qsizetype storedBytes(const QString& value) {
    return textcodec::encode(withCrLf(value)).size();
}

QString fittingInsert(const QString& before, qsizetype from, qsizetype to, const QString& insert,
                      int maxBytes) {
    const QString head = before.left(from);
    const QString tail = before.mid(to);
    auto bytesWith = [&](qsizetype n) { return storedBytes(head + insert.left(n) + tail); };
    if (bytesWith(insert.size()) <= maxBytes) {
        return insert;
    }
    // The longest start that fits: halving, as each try encodes the whole value.
    qsizetype low = 0;
    qsizetype high = insert.size();
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        if (bytesWith(mid) <= maxBytes) {
            low = mid;
        } else {
            high = mid - 1;
        }
    }
    if (low > 0 && insert.at(low - 1).isHighSurrogate()) {
        --low;
    }
    return insert.left(low);
}

} // namespace fieldlimit

namespace {
// Upper bound of the bytes a text of `chars` characters takes: three a character in UTF-8 (a
// surrogate pair takes four for two), two for a line break, and the mark.
constexpr qsizetype boundFor(qsizetype chars) {
    return 3 * chars + 3;
}

qsizetype typedBytes(const QString& typed, bool utf8) {
    qsizetype bytes = 0;
    for (const QChar c : typed) {
        if (c == QLatin1Char('\n')) {
            bytes += 2;
        } else if (!utf8) {
            bytes += 1;
        } else {
            bytes += c.unicode() < 0x80 ? 1 : c.unicode() < 0x800 ? 2 : c.isSurrogate() ? 2 : 3;
        }
    }
    return bytes;
}

QString normalisedBreaks(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}
} // namespace

NoteTextBox::NoteTextBox(QWidget* parent)
    : QPlainTextEdit(parent) {}

QString NoteTextBox::fitting(const QString& insert) const {
    const QTextCursor cursor = textCursor();
    return fieldlimit::fittingInsert(toPlainText(), cursor.selectionStart(), cursor.selectionEnd(),
                                     insert, MaxBytes);
}

bool NoteTextBox::fits(const QString& insert) const {
    const QTextCursor cursor = textCursor();
    const qsizetype selected = cursor.selectionEnd() - cursor.selectionStart();
    // characterCount() holds the final paragraph end as well.
    const qsizetype chars = document()->characterCount() - 1 - selected + insert.size();
    if (boundFor(chars) <= MaxBytes) {
        return true;
    }
    if (selected == 0 && m_knownRevision == document()->revision() &&
        (m_knownUtf8 || textcodec::fitsWindows1252(insert))) {
        return m_knownBytes + typedBytes(insert, m_knownUtf8) <= MaxBytes;
    }
    return fitting(insert).size() == insert.size();
}

void NoteTextBox::remember(qsizetype bytes, bool utf8) {
    m_knownRevision = document()->revision();
    m_knownBytes = bytes;
    m_knownUtf8 = utf8;
}

void NoteTextBox::announceLimit() {
    QApplication::beep();
    QToolTip::showText(viewport()->mapToGlobal(cursorRect().bottomLeft()),
                       tr("The note is full: its text takes %1 bytes at most.").arg(MaxBytes),
                       this);
    emit limitReached();
}

void NoteTextBox::keyPressEvent(QKeyEvent* event) {
    QString typed;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        typed = QStringLiteral("\n");
    } else if (!(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
               !event->text().isEmpty() &&
               (event->text().at(0).isPrint() || event->text().at(0) == QLatin1Char('\t'))) {
        typed = event->text();
    }
    if (typed.isEmpty() || isReadOnly()) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    if (!fits(typed)) {
        event->accept();
        announceLimit();
        return;
    }
    // Keeps the size known across a run of typed characters.
    const bool known = m_knownRevision == document()->revision() && !textCursor().hasSelection() &&
                       (m_knownUtf8 || textcodec::fitsWindows1252(typed));
    const qsizetype bytes = known ? m_knownBytes + typedBytes(typed, m_knownUtf8) : 0;
    const bool utf8 = m_knownUtf8;
    QPlainTextEdit::keyPressEvent(event);
    if (known) {
        remember(bytes, utf8);
    } else if (boundFor(document()->characterCount()) > MaxBytes) {
        const QString text = toPlainText();
        remember(fieldlimit::storedBytes(text), !textcodec::fitsWindows1252(text));
    }
}

void NoteTextBox::inputMethodEvent(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    if (commit.isEmpty() || isReadOnly() || fits(commit)) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent cut(event->preeditString(), event->attributes());
    cut.setCommitString(fitting(commit), event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&cut);
    announceLimit();
}

void NoteTextBox::insertFromMimeData(const QMimeData* source) {
    if (source == nullptr || isReadOnly() || !source->hasText()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    const QString text = normalisedBreaks(source->text());
    const QString inserted = fits(text) ? text : fitting(text);
    QTextCursor cursor = textCursor();
    cursor.insertText(inserted);
    setTextCursor(cursor);
    ensureCursorVisible();
    if (inserted.size() < text.size()) {
        announceLimit();
    }
}
