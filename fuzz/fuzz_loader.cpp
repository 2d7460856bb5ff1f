// The record loader on a whole notes data file.
//
// The first byte says where the rest goes: bit 0 the list (normal or events), bits 1-2 the
// file (0 the data file, 1 the import file ".new" beside an empty list, 2 the backup beside an
// empty data file, which the loader restores), bit 3 several screens. Every note taken must
// come back unchanged from the record the saver writes for it.
#include "fuzzsupport.h"

#include "localisation/translator.h"
#include "platform/programfolder.h"
#include "platform/testing/fakes.h"
#include "store/loader.h"
#include "store/notefiles.h"
#include "store/notestore.h"
#include "store/recordcodec.h"

#include <cmath>

namespace {

bool same(float a, float b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

void checkRoundTrip(const NoteStore& store, int slot) {
    const auto i = static_cast<size_t>(slot);
    const NoteRecord& r = store.Notes[i];
    const NoteWindowState& w = store.Windows[i];
    const std::optional<DecodedRecord> d = recordcodec::decode(recordcodec::encode(r, w, 1));
    if (!d)
        fuzzsupport::fail("an encoded record does not decode");
    const NoteRecord& r2 = d->record;
    const NoteWindowState& w2 = d->window;
    if (r2.Title.trimmed() != r.Title.trimmed())
        fuzzsupport::fail("title changed", r.Title + QStringLiteral(" -> ") + r2.Title);
    // A marked text with bytes that are not UTF-8 reads with replacement characters, which take
    // three bytes each: written back, it may lose its end to the field's width, nothing else.
    const bool damaged = w.Text.contains(QChar::ReplacementCharacter);
    if (damaged ? !w.Text.trimmed().startsWith(w2.Text.trimmed())
                : w2.Text.trimmed() != w.Text.trimmed())
        fuzzsupport::fail("text changed",
                          w.Text.left(80) + QStringLiteral(" -> ") + w2.Text.left(80));
    if (w2.FontName.trimmed() != w.FontName.trimmed() ||
        r2.FiletoOpen.trimmed() != r.FiletoOpen.trimmed() ||
        r2.ImagePath.trimmed() != r.ImagePath.trimmed() ||
        r2.AlarmSndFil.trimmed() != r.AlarmSndFil.trimmed() ||
        r2.AlarmExeFil.trimmed() != r.AlarmExeFil.trimmed())
        fuzzsupport::fail("a text field changed");
    if (!same(w2.Left, w.Left) || !same(w2.Top, w.Top) || !same(w2.Width, w.Width) ||
        !same(w2.Height, w.Height) || w2.BackColor != w.BackColor || w2.ForeColor != w.ForeColor ||
        !same(w2.FontSize, w.FontSize))
        fuzzsupport::fail("geometry, colour or font size changed");
    if (r2.List != r.List || r2.Locked != r.Locked || r2.Rollup != r.Rollup ||
        r2.AlarmState != r.AlarmState || r2.AlarmFreq != r.AlarmFreq ||
        r2.AlarmPrev != r.AlarmPrev || w2.Visible != w.Visible || w2.AlwaysOnTop != w.AlwaysOnTop)
        fuzzsupport::fail("a flag or code changed");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzsupport::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const unsigned selector = data[0];
    const QByteArray content = fuzzsupport::bytes(data + 1, size - 1);
    const ProgramFolder folder(fuzzsupport::freshFolder());
    NoteFiles files(folder);
    const auto list = static_cast<size_t>(selector & 1U);
    switch ((selector >> 1U) & 3U) {
    case 1:
        fuzzsupport::writeFile(files.imp[list], content);
        break;
    case 2:
        fuzzsupport::writeFile(files.dat[list], {});
        fuzzsupport::writeFile(files.bak[list], content);
        break;
    default:
        fuzzsupport::writeFile(files.dat[list], content);
        break;
    }

    static const Translator tr;
    NoteStore store;
    FakeMessageSink messages;
    FakeClock clock;
    LoadOptions options;
    options.multiScreens = (selector & 8U) != 0;
    options.screenWidth = 1920 * 15;
    options.screenHeight = 1080 * 15;
    options.clock = &clock;
    (void)LoadNotes(store, files, options, messages, tr, nullptr);

    for (int slot = 0; slot <= store.LastNote(); ++slot)
        checkRoundTrip(store, slot);
    return 0;
}
