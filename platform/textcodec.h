#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Text of the files the program writes itself (data files, settings file, address book) and of
// the wire: Windows-1252 when every character fits; otherwise the UTF-8 byte-order mark
// (EF BB BF) and then UTF-8. A value is read as UTF-8 only when it starts with that mark, else
// as Windows-1252, so files of the original format always read right ("ß…" stored as DF 85 is
// also valid UTF-8) and no typed character is lost. Widths are byte counts, the mark included.
namespace textcodec {

inline constexpr char ByteOrderMark[] = "\xEF\xBB\xBF";

[[nodiscard]] bool fitsWindows1252(const QString& text);
[[nodiscard]] QByteArray encode(const QString& text);
// A value as encode() writes it. A mark later in the bytes (a line holding a key and then a
// value) starts UTF-8 from there on.
[[nodiscard]] QString decode(QByteArrayView bytes);

// Text written by others (linked text files, language files), read as a whole: the mark, or
// valid UTF-8 holding a non-ASCII byte, means UTF-8; anything else is in `codePage` (a name
// the toolkit knows, Windows-1252 when empty or unknown).
[[nodiscard]] QString decodeForeign(QByteArrayView bytes, const QString& codePage = {});

// A fixed-width field: exactly `width` bytes, cut on a character boundary (never leaving a lone
// mark or half a character), blank-padded.
[[nodiscard]] QByteArray encodeFixed(const QString& text, int width);
// The field's text with the right-hand padding removed.
[[nodiscard]] QString decodeFixed(QByteArrayView bytes);

// Encoded and cut to at most `maxBytes` bytes on a character boundary (no padding).
[[nodiscard]] QByteArray encodeCut(const QString& text, int maxBytes);
// The longest start of `text` whose encoding takes at most `maxBytes` bytes, never ending in
// half a character: what a field of that width gives back.
[[nodiscard]] QString cutToBytes(const QString& text, int maxBytes);

// Blanks (only blanks, not tabs or line breaks) removed on both sides, as fixed-length texts
// are trimmed.
[[nodiscard]] QString trimBlanks(const QString& text);

} // namespace textcodec
