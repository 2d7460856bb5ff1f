#pragma once

#include <QValidator>

class QLineEdit;

// Keeps what a line edit holds within a fixed-width field of the program's files. Widths are
// bytes of the encoded text (textcodec::encode), so a field takes fewer characters that need
// more than one byte each. Input that would go past the width is refused whole.
class ByteLimitValidator final : public QValidator {
    Q_OBJECT
public:
    explicit ByteLimitValidator(int maxBytes, QObject* parent = nullptr);

    [[nodiscard]] int maxBytes() const { return m_maxBytes; }
    State validate(QString& input, int& pos) const override;
    // Cuts the text to the width on a character boundary.
    void fixup(QString& input) const override;

    // Puts the limit on an edit: refused input shows a tooltip at the edit that says the field
    // is full. Returns the validator (owned by the edit).
    static ByteLimitValidator* install(QLineEdit* edit, int maxBytes);
    // The text of that tooltip.
    [[nodiscard]] static QString limitText(int maxBytes);

private:
    int m_maxBytes;
};
