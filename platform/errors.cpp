#include "errors.h"

#include <cerrno>

int errorNumberFromErrno(int err) {
    switch (err) {
    case 0:
        return 0;
    case ENOENT:
        return errnum::FileNotFound;
    case ENOTDIR:
        return errnum::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return errnum::PermissionDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return errnum::DiskFull;
    case EIO:
        return errnum::DeviceIo;
    case ENAMETOOLONG:
    case EINVAL:
        return errnum::BadFileName;
    case EADDRINUSE:
        return errnum::AddressInUse;
    case ECONNREFUSED:
        return errnum::ConnectionRefused;
    case ETIMEDOUT:
        return errnum::TimedOut;
    default:
        return errnum::PathFileAccess;
    }
}

QString errorDescription(int number) {
    switch (number) {
    case 0:
        return {};
    case errnum::BadFileName:
        return QStringLiteral("Bad file name or number");
    case errnum::FileNotFound:
        return QStringLiteral("File not found");
    case errnum::DeviceIo:
        return QStringLiteral("Device I/O error");
    case errnum::DiskFull:
        return QStringLiteral("Disk full");
    case errnum::PermissionDenied:
        return QStringLiteral("Permission denied");
    case errnum::PathFileAccess:
        return QStringLiteral("Path/File access error");
    case errnum::PathNotFound:
        return QStringLiteral("Path not found");
    case errnum::AddressInUse:
        return QStringLiteral("Address in use");
    case errnum::TimedOut:
        return QStringLiteral("Connection timed out");
    case errnum::ConnectionRefused:
        return QStringLiteral("Connection refused");
    case errnum::HostNotFound:
        return QStringLiteral("Host not found");
    default:
        return QStringLiteral("Application-defined or object-defined error");
    }
}

IoError ioErrorFromErrno(int err) {
    const int number = errorNumberFromErrno(err);
    return IoError{number, errorDescription(number)};
}

QString formatErrorNumber(int number) {
    // A number with room for its sign, as the classic messages print it.
    return number < 0 ? QString::number(number) : QLatin1Char(' ') + QString::number(number);
}
