#include "mail/mailentete.h"

#include "mail/charset.h"

#include <QHash>

#include <QStringDecoder>
#include <array>
#include <cstring>

namespace {

constexpr int MaxNesting = 8;

// Where `needle` first occurs in `text` at or after `from`, or -1. The C library's search:
// on long texts it is many times quicker than the toolkit's rolling hash.
qsizetype find(QByteArrayView text, QByteArrayView needle, qsizetype from = 0) {
    if (from < 0 || needle.isEmpty() || text.size() - from < needle.size())
        return -1;
    const void* hit = memmem(text.data() + from, size_t(text.size() - from), needle.data(),
                             size_t(needle.size()));
    return hit ? static_cast<const char*>(hit) - text.data() : -1;
}

bool isSpace(char c) {
    return c == ' ' || c == '\t';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool startsWithNoCase(QByteArrayView text, QByteArrayView prefix) {
    return text.size() >= prefix.size() &&
           qstrnicmp(text.data(), prefix.size(), prefix.data(), prefix.size()) == 0;
}

// The reply as the message it carries: the status line and the terminating "." line gone,
// dot-stuffed lines restored. Without such lines the result shares the reply's bytes, so it
// must not outlive the reply.
QByteArray messageOf(QByteArrayView reply) {
    QByteArrayView text = reply;
    if (text.startsWith("+OK")) {
        const qsizetype eol = text.indexOf('\n');
        text = eol < 0 ? QByteArrayView() : text.sliced(eol + 1);
    }
    if (text == ".\r\n" || text == ".\n" || text == ".")
        return {};
    if (text.endsWith("\r\n.\r\n"))
        text.chop(3);
    else if (text.endsWith("\n.\n"))
        text.chop(2);
    qsizetype from = 0;
    if (text.startsWith(".."))
        from = 1;
    // Most replies hold no dot-stuffed line: they are used where they lie, without a copy.
    if (from == 0 && find(text, "\n..") < 0)
        return QByteArray::fromRawData(text.data(), text.size());
    QByteArray out;
    out.reserve(text.size());
    while (true) {
        const qsizetype stuffed = find(text, "\n..", from);
        if (stuffed < 0) {
            out.append(text.sliced(from));
            break;
        }
        out.append(text.sliced(from, stuffed + 1 - from));
        from = stuffed + 2;
    }
    return out;
}

// Headers and body of an entity, split at the first empty line.
void splitEntity(QByteArrayView entity, QByteArrayView* headers, QByteArrayView* body) {
    if (entity.startsWith("\r\n") || entity.startsWith("\n")) {
        *headers = {};
        *body = entity.sliced(entity.startsWith("\r\n") ? 2 : 1);
        return;
    }
    const qsizetype crlf = find(entity, "\r\n\r\n");
    // A bare line feed only counts before the first CR LF pair.
    const qsizetype lf = find(crlf < 0 ? entity : entity.first(crlf + 2), "\n\n");
    if (lf >= 0) {
        *headers = entity.first(lf + 1);
        *body = entity.sliced(lf + 2);
    } else if (crlf >= 0) {
        *headers = entity.first(crlf + 2);
        *body = entity.sliced(crlf + 4);
    } else {
        *headers = entity;
        *body = {};
    }
}

// The raw value of the first header line named `name`, folded lines joined (the line break
// removed, the blank that starts the next line kept). Null when absent.
QByteArray rawField(QByteArrayView headers, QByteArrayView name) {
    qsizetype pos = 0;
    QByteArray value;
    bool found = false;
    while (pos < headers.size()) {
        qsizetype eol = headers.indexOf('\n', pos);
        if (eol < 0)
            eol = headers.size();
        QByteArrayView line = headers.sliced(pos, eol - pos);
        if (line.endsWith('\r'))
            line.chop(1);
        pos = eol + 1;
        if (found) {
            if (line.isEmpty() || !isSpace(line.front()))
                break;
            value.append(line);
            continue;
        }
        if (line.size() > name.size() && line.at(name.size()) == ':' &&
            startsWithNoCase(line, name)) {
            found = true;
            value = line.sliced(name.size() + 1).toByteArray();
            if (value.isNull())
                value = QByteArray("");
        }
    }
    if (!found)
        return {};
    return value.trimmed().isNull() ? QByteArray("") : value.trimmed();
}

struct ContentInfo {
    QByteArray type; // lower case, "" when not given
    QByteArray charset;
    QByteArray boundary;
    QByteArray encoding; // lower case
};

// The parameters of a Content-Type value: name=value or name="value", names in any case.
QByteArray parameter(QByteArrayView value, QByteArrayView name) {
    qsizetype pos = value.indexOf(';');
    while (pos >= 0 && pos < value.size()) {
        ++pos;
        while (pos < value.size() &&
               (isSpace(value.at(pos)) || value.at(pos) == '\r' || value.at(pos) == '\n'))
            ++pos;
        const qsizetype eq = value.indexOf('=', pos);
        if (eq < 0)
            return {};
        const QByteArray key = value.sliced(pos, eq - pos).trimmed().toByteArray().toLower();
        qsizetype start = eq + 1;
        while (start < value.size() && isSpace(value.at(start)))
            ++start;
        QByteArray result;
        qsizetype next;
        if (start < value.size() && value.at(start) == '"') {
            qsizetype close = value.indexOf('"', start + 1);
            if (close < 0)
                close = value.size();
            result = value.sliced(start + 1, close - start - 1).toByteArray();
            next = value.indexOf(';', close);
        } else {
            next = value.indexOf(';', start);
            result = value.sliced(start, (next < 0 ? value.size() : next) - start)
                         .trimmed()
                         .toByteArray();
        }
        if (key == name)
            return result;
        pos = next;
    }
    return {};
}

ContentInfo contentInfo(QByteArrayView headers) {
    ContentInfo info;
    const QByteArray type = rawField(headers, "Content-Type");
    if (!type.isNull()) {
        const qsizetype semi = type.indexOf(';');
        info.type = (semi < 0 ? type : type.left(semi)).trimmed().toLower();
        info.charset = parameter(type, "charset");
        info.boundary = parameter(type, "boundary");
    }
    info.encoding = rawField(headers, "Content-Transfer-Encoding").trimmed().toLower();
    return info;
}

QByteArray decodeQuotedPrintable(QByteArrayView text, bool header) {
    QByteArray out(text.size(), Qt::Uninitialized);
    char* w = out.data();
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const char c = *p;
        if (c != '=') {
            *w++ = header && c == '_' ? ' ' : c;
            ++p;
            continue;
        }
        if (end - p >= 3) {
            const int hi = hexValue(p[1]);
            const int lo = hexValue(p[2]);
            if (hi >= 0 && lo >= 0) {
                *w++ = char(hi * 16 + lo);
                p += 3;
                continue;
            }
        }
        // A soft line break, blanks allowed before it.
        const char* q = p + 1;
        while (q < end && isSpace(*q))
            ++q;
        if (q < end && *q == '\r' && q + 1 < end && q[1] == '\n') {
            p = q + 2;
            continue;
        }
        if (q < end && *q == '\n') {
            p = q + 1;
            continue;
        }
        if (q == end) {
            p = end;
            continue;
        }
        *w++ = '=';
        ++p;
    }
    out.truncate(w - out.data());
    return out;
}

QByteArray decodeBase64(QByteArrayView text) {
    // Line breaks, blanks and any other foreign character are skipped; a padding character in
    // the middle (parts joined together) restarts the groups.
    static const auto table = [] {
        std::array<signed char, 256> values{};
        values.fill(-1);
        for (int i = 0; i < 26; ++i) {
            values[size_t('A' + i)] = static_cast<signed char>(i);
            values[size_t('a' + i)] = static_cast<signed char>(26 + i);
        }
        for (int i = 0; i < 10; ++i)
            values[size_t('0' + i)] = static_cast<signed char>(52 + i);
        values[size_t('+')] = values[size_t('-')] = 62;
        values[size_t('/')] = values[size_t('_')] = 63;
        values[size_t('=')] = -2;
        return values;
    }();
    QByteArray out(text.size() * 3 / 4 + 3, Qt::Uninitialized);
    char* w = out.data();
    unsigned buffer = 0;
    int bits = 0;
    for (char ch : text) {
        const int v = table[static_cast<unsigned char>(ch)];
        if (v < 0) {
            if (v == -2)
                bits = 0;
            continue;
        }
        buffer = (buffer << 6) | unsigned(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            *w++ = char((buffer >> bits) & 0xFF);
        }
    }
    out.truncate(w - out.data());
    return out;
}

bool looksBinary(QByteArrayView bytes) {
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 32 && c != 0 && c != 9 && c != 10 && c != 13 && c != 12 && c != 27)
            return true;
    }
    return false;
}

// One encoded word at `pos` ("=?charset?B?text?="): its decoded text and where it ends.
bool encodedWord(QByteArrayView raw, qsizetype pos, QString* text, qsizetype* end) {
    const qsizetype q1 = raw.indexOf('?', pos + 2);
    if (q1 < 0 || q1 + 2 >= raw.size() || raw.at(q1 + 2) != '?')
        return false;
    const char kind = raw.at(q1 + 1);
    if (kind != 'B' && kind != 'b' && kind != 'Q' && kind != 'q')
        return false;
    const qsizetype close = find(raw, "?=", q1 + 3);
    if (close < 0)
        return false;
    QByteArrayView charset = raw.sliced(pos + 2, q1 - pos - 2);
    if (const qsizetype star = charset.indexOf('*'); star >= 0)
        charset = charset.first(star); // a language tag
    const QByteArrayView payload = raw.sliced(q1 + 3, close - q1 - 3);
    if (payload.contains(' '))
        return false;
    const QByteArray bytes =
        (kind == 'B' || kind == 'b') ? decodeBase64(payload) : decodeQuotedPrintable(payload, true);
    *text = mailcharset::toUnicode(bytes, charset);
    *end = close + 2;
    return true;
}

QString plainHeaderText(QByteArrayView raw) {
    return mailcharset::toUnicode(raw, {});
}

QString htmlEntity(QStringView name) {
    struct Entity {
        const char16_t* name;
        char16_t ch;
    };
    static const QHash<QString, QChar> named = [] {
        QHash<QString, QChar> table;
        const Entity entities[] = {
            {u"nbsp", u' '},
            {u"amp", u'&'},
            {u"lt", u'<'},
            {u"gt", u'>'},
            {u"quot", u'\''},
            {u"apos", u'\''},
            {u"deg", u'\u00b0'},
            {u"copy", u'\u00a9'},
            {u"reg", u'\u00ae'},
            {u"euro", u'\u20ac'},
            {u"hellip", u'\u2026'},
            {u"mdash", u'\u2014'},
            {u"ndash", u'\u2013'},
            {u"rsquo", u'\u2019'},
            {u"lsquo", u'\u2018'},
            {u"ldquo", u'\u201c'},
            {u"rdquo", u'\u201d'},
            {u"laquo", u'\u00ab'},
            {u"raquo", u'\u00bb'},
            // These read the same in any case of their name, and give the small letter.
            {u"eacute", u'\u00e9'},
            {u"egrave", u'\u00e8'},
            {u"agrave", u'\u00e0'},
            {u"ccedil", u'\u00e7'},
            {u"icirc", u'\u00ee'},
            {u"ucirc", u'\u00fb'},
            {u"acirc", u'\u00e2'},
            {u"ecirc", u'\u00ea'},
            {u"ocirc", u'\u00f4'},
        };
        for (const Entity& e : entities)
            table.insert(QString::fromUtf16(e.name), QChar(e.ch));
        return table;
    }();
    if (name.startsWith(u'#')) {
        bool ok = false;
        uint code = name.size() > 1 && (name.at(1) == u'x' || name.at(1) == u'X')
                        ? name.sliced(2).toUInt(&ok, 16)
                        : name.sliced(1).toUInt(&ok, 10);
        if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return {};
        const char32_t c = code;
        return QString::fromUcs4(&c, 1);
    }
    // Known names in lower case, capitalised or upper case.
    const QString lower = name.toString().toLower();
    const auto it = named.constFind(lower);
    if (it == named.constEnd())
        return {};
    const QString asGiven = name.toString();
    if (asGiven != lower && asGiven != lower.toUpper() &&
        asGiven != lower.at(0).toUpper() + lower.mid(1))
        return {};
    return QString(*it);
}

QString decodeEntities(QStringView text) {
    QString out;
    out.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype amp = text.indexOf(u'&', pos);
        if (amp < 0) {
            out.append(text.sliced(pos));
            break;
        }
        out.append(text.sliced(pos, amp - pos));
        const qsizetype semi = text.indexOf(u';', amp + 1);
        if (semi > amp + 1 && semi - amp <= 10) {
            const QString value = htmlEntity(text.sliced(amp + 1, semi - amp - 1));
            if (!value.isEmpty()) {
                out.append(value);
                pos = semi + 1;
                continue;
            }
        }
        out.append(u'&');
        pos = amp + 1;
    }
    return out;
}

void render(QByteArrayView entity, int depth, const QString& attachment, QString& out);

void renderLeaf(const ContentInfo& info, QByteArrayView body, const QString& attachment,
                QString& out) {
    const bool textType = info.type.isEmpty() || info.type.startsWith("text/") ||
                          info.type.startsWith("multipart/") ||
                          info.type == "message/delivery-status";
    QByteArray bytes;
    if (info.encoding == "base64") {
        bytes = decodeBase64(body);
        if (!textType || looksBinary(bytes)) {
            out += QLatin1Char('[') + attachment + QLatin1Char(']');
            return;
        }
    } else if (!textType) {
        out += QLatin1Char('[') + attachment + QLatin1Char(']');
        return;
    } else if (info.encoding == "quoted-printable") {
        bytes = decodeQuotedPrintable(body, false);
    }
    QString text =
        mailcharset::toUnicode(bytes.isNull() ? body : QByteArrayView(bytes), info.charset);
    const bool html =
        info.type == "text/html" ||
        (info.type.isEmpty() && (text.contains(QLatin1String("<html"), Qt::CaseInsensitive) ||
                                 text.contains(QLatin1String("<body"), Qt::CaseInsensitive)));
    if (html)
        text = MailEntete::HtmlToText(text);
    out += text;
}

void renderMultipart(const ContentInfo& info, QByteArrayView body, int depth,
                     const QString& attachment, QString& out) {
    const QByteArray delimiter = "--" + info.boundary;
    // Lines that are delimiters: "--boundary" or, for the last, "--boundary--".
    qsizetype pos = 0;
    qsizetype partStart = -1;
    bool closed = false;
    auto emitPart = [&](qsizetype end) {
        QByteArrayView part = body.sliced(partStart, end - partStart);
        if (part.endsWith("\r\n"))
            part.chop(2);
        else if (part.endsWith('\n'))
            part.chop(1);
        QByteArrayView headers;
        QByteArrayView content;
        splitEntity(part, &headers, &content);
        out += QString::fromLatin1(delimiter) + QLatin1String("\r\n");
        out += MailEntete::DecodeHeaderText(headers);
        if (!headers.isEmpty() && !headers.endsWith('\n'))
            out += QLatin1String("\r\n");
        out += QLatin1String("\r\n");
        render(part, depth + 1, attachment, out);
        out += QLatin1String("\r\n");
    };
    while (pos <= body.size()) {
        qsizetype eol = body.indexOf('\n', pos);
        if (eol < 0)
            eol = body.size();
        QByteArrayView line = body.sliced(pos, eol - pos);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith(delimiter)) {
            const QByteArrayView rest = line.sliced(delimiter.size()).trimmed();
            if (rest.isEmpty() || rest == "--") {
                if (partStart >= 0)
                    emitPart(pos);
                else if (pos > 0) {
                    const QString preamble =
                        mailcharset::toUnicode(body.first(pos), info.charset).trimmed();
                    if (!preamble.isEmpty())
                        out += preamble + QLatin1String("\r\n");
                }
                partStart = std::min(eol + 1, body.size());
                if (rest == "--") {
                    out += QString::fromLatin1(delimiter) + QLatin1String("--\r\n");
                    closed = true;
                    break;
                }
            }
        }
        pos = eol + 1;
    }
    if (partStart < 0) {
        // No delimiter at all: the body as text.
        renderLeaf(ContentInfo{QByteArray("text/plain"), info.charset, {}, info.encoding}, body,
                   attachment, out);
        return;
    }
    if (!closed)
        emitPart(body.size()); // the final boundary is missing: the last part runs to the end
}

void render(QByteArrayView entity, int depth, const QString& attachment, QString& out) {
    QByteArrayView headers;
    QByteArrayView body;
    splitEntity(entity, &headers, &body);
    const ContentInfo info = contentInfo(headers);
    if (info.type.startsWith("multipart/") && !info.boundary.isEmpty() && depth < MaxNesting) {
        renderMultipart(info, body, depth, attachment, out);
        return;
    }
    if (info.type == "message/rfc822" && depth < MaxNesting) {
        QByteArrayView innerHeaders;
        QByteArrayView innerBody;
        splitEntity(body, &innerHeaders, &innerBody);
        out += MailEntete::DecodeHeaderText(innerHeaders) + QLatin1String("\r\n");
        render(body, depth + 1, attachment, out);
        return;
    }
    renderLeaf(info, body, attachment, out);
}

} // namespace

namespace MailEntete {

QString DecodeHeaderText(QByteArrayView raw) {
    QString out;
    qsizetype pos = 0;
    qsizetype lastWordEnd = -1;
    while (pos < raw.size()) {
        const qsizetype start = find(raw, "=?", pos);
        if (start < 0) {
            out += plainHeaderText(raw.sliced(pos));
            break;
        }
        QString word;
        qsizetype end = 0;
        if (!encodedWord(raw, start, &word, &end)) {
            out += plainHeaderText(raw.sliced(pos, start + 2 - pos));
            pos = start + 2;
            lastWordEnd = -1;
            continue;
        }
        const QByteArrayView gap = raw.sliced(pos, start - pos);
        // Blanks between two encoded words are not part of the text.
        const bool onlyBlanks = gap.trimmed().isEmpty();
        if (!(lastWordEnd == pos && onlyBlanks))
            out += plainHeaderText(gap);
        out += word;
        pos = end;
        lastWordEnd = end;
    }
    return out;
}

QString HeaderValue(QByteArrayView reply, QStringView field, const QString& attachmentText) {
    if (field == u"Body")
        return DecodedBody(reply, attachmentText);
    // Only the header block matters: it is cut out before the rest is looked at.
    QByteArrayView text = reply;
    if (text.startsWith("+OK")) {
        const qsizetype eol = text.indexOf('\n');
        text = eol < 0 ? QByteArrayView() : text.sliced(eol + 1);
    }
    QByteArrayView headerView;
    QByteArrayView body;
    splitEntity(text, &headerView, &body);
    const QByteArray headers = messageOf(headerView);
    const QByteArray raw = rawField(headers, field.toLatin1());
    if (raw.isNull())
        return {};
    // Folded lines: the line break goes, the blank that continues the line stays.
    QByteArray unfolded;
    unfolded.reserve(raw.size());
    for (char c : raw)
        if (c != '\r' && c != '\n')
            unfolded.append(c);
    QString value = DecodeHeaderText(unfolded).simplified();
    if (field.compare(u"From", Qt::CaseInsensitive) == 0) {
        const qsizetype angle = value.indexOf(u'<');
        if (angle >= 1)
            value = value.left(angle).trimmed();
    }
    return value;
}

QString DecodedBody(QByteArrayView reply, const QString& attachmentText) {
    const QByteArray message = messageOf(reply);
    QString out;
    out.reserve(message.size());
    render(message, 0, attachmentText, out);
    // The text box shows no blank lines before or after the text.
    qsizetype first = 0;
    while (first < out.size() && (out.at(first) == u'\r' || out.at(first) == u'\n'))
        ++first;
    qsizetype last = out.size();
    while (last > first && out.at(last - 1).isSpace())
        --last;
    out.truncate(last);
    out.remove(0, first);
    return out;
}

QByteArray DecodeText(QByteArrayView text, QStringView kind) {
    if (kind == u"B" || kind == u"b")
        return decodeBase64(text);
    if (kind == u"Q" || kind == u"q")
        return decodeQuotedPrintable(text, false);
    if (kind.isEmpty())
        return text.toByteArray();
    return {};
}

QString Utf8ToText(QByteArrayView bytes) {
    return QString::fromUtf8(bytes);
}

QString HtmlToText(QStringView html) {
    QString out;
    out.reserve(html.size());
    const QLatin1String crlf("\r\n");
    qsizetype pos = 0;
    while (pos < html.size()) {
        const qsizetype lt = html.indexOf(u'<', pos);
        if (lt < 0) {
            out.append(html.sliced(pos));
            break;
        }
        out.append(html.sliced(pos, lt - pos));
        if (html.sliced(lt).startsWith(u"<!--")) {
            const qsizetype close = html.indexOf(u"-->", lt + 4);
            pos = close < 0 ? html.size() : close + 3;
            continue;
        }
        const qsizetype gt = html.indexOf(u'>', lt + 1);
        if (gt < 0) {
            out.append(html.sliced(lt));
            break;
        }
        const QStringView tag = html.sliced(lt + 1, gt - lt - 1);
        qsizetype nameEnd = 0;
        const bool closing = tag.startsWith(u'/');
        qsizetype nameStart = closing ? 1 : 0;
        nameEnd = nameStart;
        while (nameEnd < tag.size() && tag.at(nameEnd).isLetterOrNumber())
            ++nameEnd;
        const QStringView name = tag.sliced(nameStart, nameEnd - nameStart);
        auto is = [&name](QLatin1String known) {
            return name.compare(known, Qt::CaseInsensitive) == 0;
        };
        pos = gt + 1;
        if (!closing && (is(QLatin1String("head")) || is(QLatin1String("style")) ||
                         is(QLatin1String("script")) || is(QLatin1String("title")))) {
            const QString end = QStringLiteral("</") + name.toString();
            const qsizetype close = html.indexOf(end, pos, Qt::CaseInsensitive);
            if (close >= 0) {
                const qsizetype closeGt = html.indexOf(u'>', close);
                pos = closeGt < 0 ? html.size() : closeGt + 1;
            }
        } else if (!closing &&
                   (is(QLatin1String("br")) || is(QLatin1String("p")) || is(QLatin1String("div")) ||
                    is(QLatin1String("tr")) ||
                    (name.size() == 2 && name.at(0).toLower() == u'h' && name.at(1).isDigit()))) {
            out.append(crlf);
        } else if (!closing && is(QLatin1String("li"))) {
            out.append(crlf).append(QLatin1String("* "));
        } else if (!closing && is(QLatin1String("a"))) {
            const qsizetype href = tag.indexOf(u"href=", 0, Qt::CaseInsensitive);
            if (href >= 0) {
                QStringView target = tag.sliced(href + 5).trimmed();
                if (target.startsWith(u'"') || target.startsWith(u'\'')) {
                    const QChar quote = target.front();
                    target = target.sliced(1);
                    const qsizetype close = target.indexOf(quote);
                    if (close >= 0)
                        target = target.first(close);
                } else {
                    const qsizetype blank = target.indexOf(u' ');
                    if (blank >= 0)
                        target = target.first(blank);
                }
                out.append(u'[').append(target).append(QLatin1String("] "));
            }
        }
        // A line break right after a tag belongs to the markup.
        if (html.sliced(pos).startsWith(u"\r\n"))
            pos += 2;
        else if (pos < html.size() && html.at(pos) == u'\n')
            ++pos;
    }
    QString text = decodeEntities(out);
    text.replace(QLatin1String("%20"), QLatin1String(" "));
    // Blanks at both ends, then line breaks at the start.
    qsizetype first = 0;
    while (first < text.size() && text.at(first) == u' ')
        ++first;
    qsizetype last = text.size();
    while (last > first && text.at(last - 1) == u' ')
        --last;
    while (first < last && (text.at(first) == u'\r' || text.at(first) == u'\n'))
        ++first;
    return text.sliced(first, last - first);
}

} // namespace MailEntete
