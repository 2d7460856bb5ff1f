#include "mail/charset.h"

#include <QByteArray>
#include <QHash>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {

// Names mails use for charsets whose proper superset decodes them better.
QByteArray canonical(QByteArrayView charset) {
    QByteArray name = charset.toByteArray().trimmed().toLower();
    if (name.startsWith('"') && name.endsWith('"') && name.size() >= 2)
        name = name.mid(1, name.size() - 2);
    if (name == "gb2312" || name == "gbk" || name == "x-gbk" || name == "euc-cn" || name == "cp936")
        return "GB18030";
    if (name == "ks_c_5601-1987" || name == "euc-kr" || name == "ks_c_5601")
        return "CP949";
    if (name == "iso-8859-8-i" || name == "iso-8859-8-e")
        return "ISO-8859-8";
    if (name == "x-sjis" || name == "shift-jis" || name == "sjis" || name == "ms_kanji")
        return "CP932";
    if (name == "shift_jis")
        return "CP932";
    if (name == "big5" || name == "x-big5")
        return "BIG5-HKSCS";
    if (name == "iso-8859-1" || name == "latin1" || name == "us-ascii" || name == "ascii" ||
        name == "iso_8859-1")
        return "WINDOWS-1252";
    if (name == "tis-620")
        return "CP874";
    return name.toUpper();
}

// One open converter per charset for the thread's life: opening one costs far more than a
// short header.
class IconvCache {
public:
    ~IconvCache() {
        for (iconv_t cd : std::as_const(m_open))
            if (cd != invalid())
                iconv_close(cd);
    }
    iconv_t get(const QByteArray& name) {
        auto it = m_open.constFind(name);
        if (it != m_open.constEnd())
            return *it;
        iconv_t cd =
            iconv_open(Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "UTF-16LE" : "UTF-16BE", name.constData());
        m_open.insert(name, cd);
        return cd;
    }
    static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }

private:
    QHash<QByteArray, iconv_t> m_open;
};

IconvCache& cache() {
    thread_local IconvCache instance;
    return instance;
}

QString viaIconv(iconv_t cd, QByteArrayView bytes) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    QString out;
    out.resize(bytes.size() + 16);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    char* outPtr = reinterpret_cast<char*>(out.data());
    size_t outLeft = size_t(out.size()) * 2;
    while (inLeft > 0) {
        const size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        if (r != size_t(-1))
            break;
        if (errno == E2BIG) {
            const qsizetype used = (outPtr - reinterpret_cast<char*>(out.data())) / 2;
            out.resize(out.size() * 2 + 16);
            outPtr = reinterpret_cast<char*>(out.data() + used);
            outLeft = size_t(out.size() - used) * 2;
            continue;
        }
        // A byte the charset does not have, or a sequence cut short: one replacement
        // character, and on with the next byte.
        if (outLeft < 2) {
            const qsizetype used = (outPtr - reinterpret_cast<char*>(out.data())) / 2;
            out.resize(out.size() + 16);
            outPtr = reinterpret_cast<char*>(out.data() + used);
            outLeft = size_t(out.size() - used) * 2;
        }
        const char16_t replacement = 0xFFFD;
        std::memcpy(outPtr, &replacement, 2);
        outPtr += 2;
        outLeft -= 2;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize((outPtr - reinterpret_cast<char*>(out.data())) / 2);
    return out;
}

// UTF-8 when the bytes are valid UTF-8; null otherwise.
QString ifUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    return decoder.hasError() ? QString() : (text.isNull() ? QString(QLatin1String("")) : text);
}

QString windows1252(QByteArrayView bytes) {
    // Pure ASCII needs no converter at all.
    bool ascii = true;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii)
        return QString::fromLatin1(bytes);
    iconv_t cd = cache().get(QByteArrayLiteral("WINDOWS-1252"));
    if (cd == IconvCache::invalid())
        return QString::fromLatin1(bytes);
    return viaIconv(cd, bytes);
}

} // namespace

namespace mailcharset {

QString toUnicode(QByteArrayView bytes, QByteArrayView charset) {
    // The charsets nearly every mail names, without building a name.
    auto named = [&charset](const char* known) {
        const qsizetype length = qsizetype(qstrlen(known));
        return charset.size() == length && qstrnicmp(charset.data(), length, known, length) == 0;
    };
    if (named("utf-8"))
        return QString::fromUtf8(bytes);
    if (named("us-ascii") || named("iso-8859-1") || named("windows-1252"))
        return windows1252(bytes);
    const QByteArray name = canonical(charset);
    if (name.isEmpty() || name == "UNKNOWN-8BIT" || name == "X-UNKNOWN" || name == "DEFAULT") {
        const QString utf8 = ifUtf8(bytes);
        return utf8.isNull() ? windows1252(bytes) : utf8;
    }
    if (name == "UTF-8" || name == "UTF8")
        return QString::fromUtf8(bytes);
    if (name == "WINDOWS-1252")
        return windows1252(bytes);
    iconv_t cd = cache().get(name);
    if (cd == IconvCache::invalid()) {
        const QString utf8 = ifUtf8(bytes);
        return utf8.isNull() ? windows1252(bytes) : utf8;
    }
    return viaIconv(cd, bytes);
}

bool known(QByteArrayView charset) {
    const QByteArray name = canonical(charset);
    return name == "UTF-8" || name == "UTF8" || cache().get(name) != IconvCache::invalid();
}

} // namespace mailcharset
