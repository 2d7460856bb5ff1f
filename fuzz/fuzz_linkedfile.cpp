// The linked-file reader on a text file of any content: decoded, then written back as the
// note would write it. Writing back what was read back must give the same bytes, or a note
// would change its file at every save without an edit. The same bytes also go through the
// store's read of a note's linked file.
#include "fuzzsupport.h"

#include "localisation/translator.h"
#include "platform/filesystem.h"
#include "platform/programfolder.h"
#include "platform/testing/fakes.h"
#include "store/linkedfile.h"
#include "store/notestore.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzsupport::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = fuzzsupport::bytes(data, size);
    const linkedfile::Decoded read = linkedfile::decode(bytes);
    // A carriage return alone in the text may meet the line break written after it and make a
    // CR LF pair that changes the file's breaks at the next write: known, and left to the
    // linked-file store.
    // Nor is a text holding U+FEFF, which written at the start of a file reads as the mark.
    if (!read.binary && !read.text.contains(u'\r') && !read.text.contains(QChar(0xFEFF))) {
        linkedfile::Format format = read.format;
        const QByteArray written = linkedfile::encode(read.text, format);
        const linkedfile::Decoded again = linkedfile::decode(written);
        // The format may change once (text that begins with U+FEFF is written with bytes that
        // read as the mark); the bytes may not.
        linkedfile::Format formatAgain = again.format;
        const QByteArray rewritten = linkedfile::encode(again.text, formatAgain);
        if (again.binary || rewritten != written)
            fuzzsupport::fail("a linked file written back reads differently",
                              QString::fromLatin1(written.toHex()) + QStringLiteral(" / ") +
                                  QString::fromLatin1(rewritten.toHex()));
    }

    static const Translator tr;
    const ProgramFolder folder(fuzzsupport::freshFolder());
    fuzzsupport::writeFile(folder.file(QStringLiteral("linked.txt")), bytes);
    NoteStore store;
    NoteRecord record;
    record.OpenFile = true;
    record.UpdateFile = true;
    record.FiletoOpen = QStringLiteral("linked.txt");
    const int slot = store.addNote(0, record, NoteWindowState());
    FakeMessageSink messages;
    LinkedFileStore files(store, folder, fileio::realFileSystem(), messages, tr);
    files.ReadLinkedFile(slot);
    // Nothing was edited: writing back leaves the file as it was.
    files.WriteLinkedFile(slot);
    if (fuzzsupport::readFile(folder.file(QStringLiteral("linked.txt"))) != bytes)
        fuzzsupport::fail("an unedited note rewrote its linked file");
    return 0;
}
