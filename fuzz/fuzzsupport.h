#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// What every fuzz target shares: a folder of its own for the files a parser reads and writes,
// and a home and configuration folder inside it, so nothing reaches the real ones.
namespace fuzzsupport {

// Sets up the process once: a core application and the private folders.
void initialise(int* argc, char*** argv);

// An empty folder for one input, with a trailing '/'. The same folder every time, emptied.
[[nodiscard]] QString freshFolder();

[[nodiscard]] QByteArray bytes(const std::uint8_t* data, std::size_t size);
void writeFile(const QString& path, const QByteArray& bytes);
[[nodiscard]] QByteArray readFile(const QString& path);

// Stops the run with the input kept as a crash: a property the parser promises did not hold.
[[noreturn]] void fail(const char* what, const QString& detail = QString());

} // namespace fuzzsupport
