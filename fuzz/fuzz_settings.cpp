// The settings reader on a "Quillaboard.ini" of any content. Whatever it reads, the file it
// writes from that must read back to the same file: a value that does not survive its own
// round trip is lost at the next start.
#include "fuzzsupport.h"

#include "localisation/translator.h"
#include "platform/programfolder.h"
#include "platform/testing/fakes.h"
#include "shell/settingsfile.h"
#include "store/programstate.h"
#include "store/settings.h"

namespace {

QByteArray readAndWrite(const QString& folderPath, const QByteArray& ini) {
    static const Translator tr;
    const ProgramFolder folder(folderPath);
    fuzzsupport::writeFile(folder.file(SettingsFileName), ini);
    FakeMessageSink messages;
    FakeDiagnosticLog log;
    SettingsFile file(folder, messages, tr, &log);
    SettingsReadContext context;
    context.screenTwips = QSize(1920 * 15, 1080 * 15);
    context.managerTwips = QSize(9000, 6000);
    context.languages = {NativeLanguage, QStringLiteral("French")};
    context.runValue = QStringLiteral("x");
    context.executablePath = folderPath + QStringLiteral("quillaboard");
    context.dayName = [](const QDate& date) {
        return date.dayOfWeek() == 7 ? QStringLiteral("Sunday") : QStringLiteral("Saturday");
    };
    Settings settings;
    ProgramState state;
    (void)file.ReadSettings(settings, state, context);
    state.SettingsChanged = true;
    if (!file.WriteSettings(settings, state))
        fuzzsupport::fail("the settings could not be written");
    return fuzzsupport::readFile(folder.file(SettingsFileName));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzsupport::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString folder = fuzzsupport::freshFolder();
    const QByteArray first = readAndWrite(folder, fuzzsupport::bytes(data, size));
    const QByteArray second = readAndWrite(fuzzsupport::freshFolder(), first);
    // A NUL written inside a value reads back as the end of it: left to the reader's rules.
    if (QByteArray(first).replace('\0', ' ') != QByteArray(second).replace('\0', ' '))
        fuzzsupport::fail("the written settings read back differently",
                          QString::fromLatin1(first.toHex()) + QStringLiteral("\n") +
                              QString::fromLatin1(second.toHex()));
    return 0;
}
