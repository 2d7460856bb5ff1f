// The network note parser on a received message of any content. The first byte picks the
// receiving locale (its decimal separator matters); the rest is the message. What was read is
// applied to a new note as the receiver does, and a message that carried every field must
// read back the same once sent on.
#include "fuzzsupport.h"

#include "network/notemessage.h"
#include "store/noterecord.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QLocale& localeFor(std::uint8_t selector) {
    static const QLocale locales[] = {QLocale::c(), QLocale(QLocale::English),
                                      QLocale(QLocale::French), QLocale(QLocale::German)};
    return locales[selector % 4];
}

bool fitsInt32(double v) {
    return std::isfinite(v) && v >= std::numeric_limits<std::int32_t>::min() &&
           v <= std::numeric_limits<std::int32_t>::max() && v == std::floor(v);
}

// Numbers go on the wire with seven significant digits.
bool near(const std::optional<double>& back, float sent) {
    return back && std::fabs(*back - static_cast<double>(sent)) <=
                       1e-6 * std::max(1.0, std::fabs(static_cast<double>(sent)));
}

bool fitsFloat(double v) {
    return std::isfinite(v) && std::fabs(v) < 1e30;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzsupport::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const QLocale& locale = localeFor(data[0]);
    const QByteArray bytes = fuzzsupport::bytes(data + 1, size - 1);
    const notemessage::Incoming in = notemessage::decode(bytes, locale);

    notemessage::Placement placement;
    placement.screen = QSize(1920 * 15, 1080 * 15);
    placement.minWidth = 1500;
    placement.minHeight = 600;
    placement.fromWord = QStringLiteral("From");
    placement.arrival = QStringLiteral("12:00");
    NoteRecord record;
    NoteWindowState window;
    window.Left = 1500;
    window.Top = 1500;
    window.Width = 3000;
    window.Height = 2250;
    (void)notemessage::applyToNote(in, placement, record, window);
    if (!(window.Width > 0) || !(window.Height > 0) || std::isnan(window.Left) ||
        std::isnan(window.Top))
        fuzzsupport::fail("a received note has no usable geometry");

    if (in.fields == 7 && in.sender && in.top && in.left && in.width && in.height && in.backColor &&
        in.foreColor && fitsInt32(*in.backColor) && fitsInt32(*in.foreColor) &&
        fitsFloat(*in.top) && fitsFloat(*in.left) && fitsFloat(*in.width) &&
        fitsFloat(*in.height)) {
        notemessage::Outgoing out;
        out.sender = *in.sender;
        out.top = static_cast<float>(*in.top);
        out.left = static_cast<float>(*in.left);
        out.width = static_cast<float>(*in.width);
        out.height = static_cast<float>(*in.height);
        out.backColor = static_cast<std::int32_t>(*in.backColor);
        out.foreColor = static_cast<std::int32_t>(*in.foreColor);
        out.text = in.text;
        const notemessage::Incoming back =
            notemessage::decode(notemessage::encode(out, locale), locale);
        if (back.fields != 7 || back.sender != out.sender || back.text != out.text)
            fuzzsupport::fail("a note sent on reads back with another sender or text",
                              out.sender + QStringLiteral(" | ") + out.text.left(80) +
                                  QStringLiteral(" -> ") + back.sender.value_or(QString()) +
                                  QStringLiteral(" | ") + back.text.left(80));
        if (!near(back.top, out.top) || !near(back.left, out.left) ||
            !near(back.width, out.width) || !near(back.height, out.height) || !back.backColor ||
            *back.backColor != out.backColor || !back.foreColor || *back.foreColor != out.foreColor)
            fuzzsupport::fail("a note sent on reads back with other numbers");
    }
    return 0;
}
