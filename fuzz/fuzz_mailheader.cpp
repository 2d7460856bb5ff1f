// The header and MIME decoder on a TOP reply of any content: the fields the waiting-mail list
// shows, the body the detail window shows, and the encoded-word and transfer decoders on the
// same bytes. Bytes encoded as base64 must decode back to themselves.
#include "fuzzsupport.h"

#include "mail/mailentete.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzsupport::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray reply = fuzzsupport::bytes(data, size);
    (void)MailEntete::HeaderValue(reply, u"Subject");
    (void)MailEntete::HeaderValue(reply, u"From");
    (void)MailEntete::HeaderValue(reply, u"Message-ID");
    (void)MailEntete::DecodedBody(reply);
    (void)MailEntete::DecodeHeaderText(reply);
    (void)MailEntete::DecodeText(reply, u"Q");
    (void)MailEntete::DecodeText(reply, u"B");
    (void)MailEntete::Utf8ToText(reply);
    (void)MailEntete::HtmlToText(QString::fromUtf8(reply));
    if (MailEntete::DecodeText(reply.toBase64(), u"B") != reply)
        fuzzsupport::fail("base64 does not decode back to its bytes");
    return 0;
}
