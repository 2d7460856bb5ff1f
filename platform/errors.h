#pragma once

#include <QString>

// Classic error numbers the user sees in message boxes.
namespace errnum {
inline constexpr int FileNotFound = 53;
inline constexpr int BadFileName = 52;
inline constexpr int DeviceIo = 57;
inline constexpr int DiskFull = 61;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccess = 75;
inline constexpr int PathNotFound = 76;
// Socket errors keep the Winsock numbers.
inline constexpr int AddressInUse = 10048;
inline constexpr int TimedOut = 10060;
inline constexpr int ConnectionRefused = 10061;
inline constexpr int HostNotFound = 11001;
} // namespace errnum

// The outcome of an operation that can fail: number 0 means success.
struct IoError {
    int number = 0;
    QString description;

    [[nodiscard]] bool failed() const { return number != 0; }
    explicit operator bool() const { return failed(); }
};

[[nodiscard]] int errorNumberFromErrno(int err);
[[nodiscard]] QString errorDescription(int number);
[[nodiscard]] IoError ioErrorFromErrno(int err);
// The number as a message shows it: preceded by one blank, " 53".
[[nodiscard]] QString formatErrorNumber(int number);
