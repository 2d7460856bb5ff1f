// The language-file reader on a file of any content: parsed from its bytes and read from disk
// (where the size limit and the character set apply), then asked for the keys a translation
// looks up.
#include "fuzzsupport.h"

#include "localisation/languagefile.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzsupport::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = fuzzsupport::bytes(data, size);
    const languagefile::IniFile parsed = languagefile::IniFile::parse(bytes);
    const QString path = fuzzsupport::freshFolder() + QStringLiteral("French.ini");
    fuzzsupport::writeFile(path, bytes);
    const languagefile::IniFile read = languagefile::IniFile::read(path);
    for (const languagefile::IniFile* file : {&parsed, &read}) {
        bool found = false;
        (void)file->value(QStringLiteral("General"), QStringLiteral("Charset"), QString(), &found);
        (void)file->value(QStringLiteral("Messages"), QStringLiteral("1"), QStringLiteral("x"));
        (void)file->value(QStringLiteral("frmStartup"), QStringLiteral("cmdNewNote.Caption"),
                          QString());
        if (file->value(QStringLiteral("General"), QStringLiteral("Name"), QString()).size() >
            languagefile::MaxValueLength)
            fuzzsupport::fail("a value longer than a lookup returns");
    }
    return 0;
}
