#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Single-byte text of the program's files and of the wire: Windows-1252 when every character
// fits, UTF-8 otherwise. Reading takes UTF-8 when the bytes are valid UTF-8 and hold a non-ASCII
// byte, Windows-1252 otherwise, so Western text stays byte-compatible and nothing typed is lost.
namespace textcodec {

[[nodiscard]] bool fitsWindows1252(const QString& text);
[[nodiscard]] QByteArray encode(const QString& text);
[[nodiscard]] QString decode(QByteArrayView bytes);

// A fixed-width field: exactly `width` bytes, cut on a character boundary, blank-padded.
[[nodiscard]] QByteArray encodeFixed(const QString& text, int width);
// The field's text with the right-hand padding removed.
[[nodiscard]] QString decodeFixed(QByteArrayView bytes);

// Encoded and cut to at most `maxBytes` bytes on a character boundary (no padding).
[[nodiscard]] QByteArray encodeCut(const QString& text, int maxBytes);

} // namespace textcodec
