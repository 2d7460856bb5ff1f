#pragma once

#include <QByteArrayView>
#include <QString>

// Text of a mail in the charset it names. UTF-8 and the Latin ones go through the toolkit;
// every other charset a mail may name (ISO-8859-*, Windows-125*, KOI8-R, GB2312/GBK, Big5,
// Shift_JIS, EUC-KR, ...) through the C library's iconv. An unknown or missing charset reads
// as UTF-8 when the bytes are valid UTF-8, else as Windows-1252. Bytes that do not belong to
// the charset become U+FFFD; nothing is dropped silently.
namespace mailcharset {

[[nodiscard]] QString toUnicode(QByteArrayView bytes, QByteArrayView charset);
// Whether the charset name is one this converter can read.
[[nodiscard]] bool known(QByteArrayView charset);

} // namespace mailcharset
