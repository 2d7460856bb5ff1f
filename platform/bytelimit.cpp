#include "platform/bytelimit.h"

#include "platform/textcodec.h"

#include <QLineEdit>
#include <QToolTip>

ByteLimitValidator::ByteLimitValidator(int maxBytes, QObject* parent)
    : QValidator(parent)
    , m_maxBytes(maxBytes) {}

QValidator::State ByteLimitValidator::validate(QString& input, int& /*pos*/) const {
    return textcodec::encode(input).size() <= m_maxBytes ? Acceptable : Invalid;
}

void ByteLimitValidator::fixup(QString& input) const {
    input = textcodec::cutToBytes(input, m_maxBytes);
}

ByteLimitValidator* ByteLimitValidator::install(QLineEdit* edit, int maxBytes) {
    auto* validator = new ByteLimitValidator(maxBytes, edit);
    // Every character takes at least one byte: the character count never limits first.
    edit->setMaxLength(maxBytes);
    edit->setValidator(validator);
    QObject::connect(edit, &QLineEdit::inputRejected, edit, [edit, maxBytes] {
        QToolTip::showText(edit->mapToGlobal(QPoint(0, edit->height())), limitText(maxBytes), edit);
    });
    return validator;
}

QString ByteLimitValidator::limitText(int maxBytes) {
    return QStringLiteral("The field is full (%1 bytes).").arg(maxBytes);
}
