// The address-book reader on a "NetAdresses.ini" of any content. The send window writes the
// entries it read back when the book changes: they must read back as they were.
#include "fuzzsupport.h"

#include "network/addressbook.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzsupport::initialise(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString path = fuzzsupport::freshFolder() + addressbook::FileName;
    fuzzsupport::writeFile(path, fuzzsupport::bytes(data, size));
    const QStringList entries = addressbook::read(path);
    for (const QString& entry : entries) {
        const QString address = addressbook::addressPart(entry);
        (void)addressbook::senderIdentity(address, QStringLiteral("me"),
                                          QStringLiteral("127.0.0.1"), QStringLiteral("host"));
    }
    if (addressbook::write(path, entries))
        fuzzsupport::fail("the address book could not be written");
    const QStringList again = addressbook::read(path);
    if (again != entries)
        fuzzsupport::fail("address book entries changed when written back",
                          entries.join(QStringLiteral("|")) + QStringLiteral(" -> ") +
                              again.join(QStringLiteral("|")));
    return 0;
}
