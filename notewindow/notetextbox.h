#pragma once

#include "store/noterecord.h"

#include <QPlainTextEdit>

// Widths on file are bytes: a stored value takes as many bytes as its encoding needs (one a
// character in Windows-1252, up to four in UTF-8 behind a 3-byte mark), line breaks as CR LF.
namespace fieldlimit {

// Bytes the value takes on file.
[[nodiscard]] qsizetype storedBytes(const QString& value);
// How much of `insert` fits when it replaces `before`'s characters [from, to), so that the
// whole value takes at most `maxBytes` bytes.
[[nodiscard]] QString fittingInsert(const QString& before, qsizetype from, qsizetype to,
                                    const QString& insert, int maxBytes);

} // namespace fieldlimit

// A note's text box: refuses typing and cuts pastes and drops where they would take the text
// past the 32000 bytes of the note's text field, and shows the user that the limit is reached.
class NoteTextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    static constexpr int MaxBytes = width::Text;

    explicit NoteTextBox(QWidget* parent);

    // The text as it would be with `insert` in place of the selection, cut to fit.
    [[nodiscard]] QString fitting(const QString& insert) const;

signals:
    // Typing, a paste or a drop met the limit: part or all of it was left out.
    void limitReached();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // Whether `insert` fits in place of the selection; cheap for short texts and while typing.
    [[nodiscard]] bool fits(const QString& insert) const;
    void remember(qsizetype bytes, bool utf8);
    void announceLimit();

    // The text's size on file at a document revision, to add typed characters to it without
    // encoding the whole text again.
    int m_knownRevision = -1;
    qsizetype m_knownBytes = 0;
    bool m_knownUtf8 = false;
};
