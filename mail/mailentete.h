#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// What the mail windows show of a POP3 reply (the lines of a TOP answer, as received): the
// value of one header field or the readable body. Pure functions without state.
namespace MailEntete {

inline const QString DefaultAttachmentText = QStringLiteral("Attachment ignored");

// The value of a header field ("Subject", "From", "Message-ID"), unfolded, its encoded words
// decoded in their charsets; "" when the field is missing. For "From", the display name when
// the address follows it in angle brackets. The field "Body" gives DecodedBody.
[[nodiscard]] QString HeaderValue(QByteArrayView reply, QStringView field,
                                  const QString& attachmentText = DefaultAttachmentText);

// The body as text: transfer encodings undone, each part in its own charset, HTML as text,
// the parts of a multipart mail one after the other with their boundary lines and part
// headers; a binary part shows as "[" + attachmentText + "]".
[[nodiscard]] QString DecodedBody(QByteArrayView reply,
                                  const QString& attachmentText = DefaultAttachmentText);

// A header text with its encoded words (=?charset?B|Q?...?=) decoded; other bytes as UTF-8
// when valid, else Windows-1252.
[[nodiscard]] QString DecodeHeaderText(QByteArrayView raw);

// kind "B" base64, "Q" quoted-printable, "" the bytes unchanged; any other kind gives "".
// Undecodable input is skipped, never fatal: broken base64 gives what it holds.
[[nodiscard]] QByteArray DecodeText(QByteArrayView text, QStringView kind);

[[nodiscard]] QString Utf8ToText(QByteArrayView bytes);
// Plain text from HTML.
[[nodiscard]] QString HtmlToText(QStringView html);

} // namespace MailEntete
