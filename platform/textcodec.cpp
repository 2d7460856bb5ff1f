#include "textcodec.h"

#include <QStringDecoder>
#include <array>

namespace {

// Windows-1252 bytes 0x80..0x9F; 0 marks the five unassigned bytes, read as the C1 control of
// the same number.
constexpr std::array<char16_t, 32> HighTable = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The Windows-1252 byte of a character, or -1 when it has none.
int cp1252Byte(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    // The five unassigned bytes are read as these controls, and written back as they were.
    if (c <= 0x9F && HighTable[static_cast<size_t>(c - 0x80)] == 0)
        return c;
    for (int i = 0; i < 32; ++i) {
        if (HighTable[static_cast<size_t>(i)] == c && c != 0)
            return 0x80 + i;
    }
    return -1;
}

bool isValidUtf8WithHighBytes(QByteArrayView bytes) {
    bool high = false;
    qsizetype i = 0;
    const qsizetype n = bytes.size();
    while (i < n) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        high = true;
        int extra = 0;
        char32_t cp = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            cp = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            cp = b & 0x07;
        } else {
            return false;
        }
        if (i + extra >= n)
            return false;
        for (int k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(bytes[i + k]);
            if ((c & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return high;
}

QString decodeCp1252(QByteArrayView bytes) {
    QString out;
    out.resize(bytes.size());
    QChar* d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        char16_t c = b;
        if (b >= 0x80 && b <= 0x9F && HighTable[b - 0x80] != 0)
            c = HighTable[b - 0x80];
        d[i] = QChar(c);
    }
    return out;
}

// UTF-8 that keeps a U+FEFF it begins with: the mark in front of a field is taken off by the
// caller, and a second one is the text's own character.
QString fromUtf8(QByteArrayView bytes) {
    // Stateless: a character cut short at the end reads as U+FFFD, as elsewhere, instead of
    // being held back for more bytes that never come.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                       QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

bool startsWithMark(QByteArrayView bytes) {
    return bytes.startsWith(QByteArrayView(textcodec::ByteOrderMark, 3));
}

// Western text that begins with the mark's three characters ("ï»¿"), after blanks, would read
// back as the mark and lose them: such a text is written as UTF-8.
bool looksMarked(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u' ')
        ++i;
    return QStringView(text).sliced(i).startsWith(QStringView(u"\u00EF\u00BB\u00BF"));
}

// Cuts UTF-8 bytes to at most `max` bytes without splitting a character.
QByteArray cutUtf8(QByteArray bytes, qsizetype max) {
    if (bytes.size() <= max)
        return bytes;
    qsizetype end = max;
    while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80)
        --end;
    bytes.truncate(end);
    return bytes;
}

} // namespace

namespace textcodec {

bool fitsWindows1252(const QString& text) {
    for (QChar c : text) {
        if (cp1252Byte(c.unicode()) < 0)
            return false;
    }
    return true;
}

QByteArray encode(const QString& text) {
    if (!fitsWindows1252(text) || looksMarked(text))
        return QByteArray(ByteOrderMark) + text.toUtf8();
    QByteArray out;
    out.resize(text.size());
    char* d = out.data();
    for (qsizetype i = 0; i < text.size(); ++i)
        d[i] = static_cast<char>(cp1252Byte(text.at(i).unicode()));
    return out;
}

QString decode(QByteArrayView bytes) {
    const qsizetype mark = QByteArrayView(bytes).indexOf(QByteArrayView(ByteOrderMark, 3));
    if (mark < 0)
        return decodeCp1252(bytes);
    return decodeCp1252(bytes.first(mark)) + fromUtf8(bytes.sliced(mark + 3));
}

QString decodeForeign(QByteArrayView bytes, const QString& codePage) {
    if (startsWithMark(bytes))
        return fromUtf8(bytes.sliced(3));
    if (isValidUtf8WithHighBytes(bytes))
        return fromUtf8(bytes);
    if (!codePage.isEmpty()) {
        QStringDecoder decoder(codePage.toLatin1().constData());
        if (decoder.isValid())
            return decoder.decode(bytes);
    }
    return decodeCp1252(bytes);
}

QByteArray encodeCut(const QString& text, int maxBytes) {
    if (maxBytes <= 0)
        return {};
    if (fitsWindows1252(text) && !looksMarked(text))
        return encode(text.left(maxBytes));
    // The characters before the first one outside Windows-1252, in Windows-1252...
    qsizetype western = 0;
    while (!looksMarked(text) && western < text.size() &&
           cp1252Byte(text.at(western).unicode()) >= 0)
        ++western;
    const QByteArray plain = encode(text.left(std::min<qsizetype>(western, maxBytes)));
    // ...unless the mark and UTF-8 keep that character too.
    if (maxBytes > 3) {
        const QByteArray cut = cutUtf8(text.toUtf8(), maxBytes - 3);
        if (fromUtf8(cut).size() > western)
            return QByteArray(ByteOrderMark) + cut;
    }
    return plain;
}

QString cutToBytes(const QString& text, int maxBytes) {
    return decode(encodeCut(text, maxBytes));
}

QByteArray encodeFixed(const QString& text, int width) {
    QByteArray out = encodeCut(text, width);
    if (out.size() < width)
        out.append(width - out.size(), ' ');
    return out;
}

QString decodeFixed(QByteArrayView bytes) {
    qsizetype end = bytes.size();
    while (end > 0 && (bytes[end - 1] == ' ' || bytes[end - 1] == '\0'))
        --end;
    // A field is UTF-8 only when it starts with the mark (blanks before it stay blanks); the
    // same bytes further on are Western text.
    const QByteArrayView value = bytes.first(end);
    qsizetype blanks = 0;
    while (blanks < value.size() && value[blanks] == ' ')
        ++blanks;
    if (!startsWithMark(value.sliced(blanks)))
        return decodeCp1252(value);
    return QString(blanks, u' ') + fromUtf8(value.sliced(blanks + 3));
}

QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

} // namespace textcodec
