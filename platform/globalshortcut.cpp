#include "platform/globalshortcut.h"

QString GlobalShortcut::describe(Status status) {
    switch (status) {
    case Status::Registered:
        return QStringLiteral("Works from every program.");
    case Status::Pending:
        return QStringLiteral("Waiting for the desktop's answer...");
    case Status::Taken:
        return QStringLiteral("Another program uses this shortcut, or the desktop refused it.");
    case Status::Off:
        return QStringLiteral("No shortcut.");
    case Status::NotOffered:
        return QStringLiteral("This desktop offers no global shortcuts to programs.");
    }
    return {};
}

void GlobalShortcut::setStatus(Status status) {
    if (m_status == status)
        return;
    m_status = status;
    emit statusChanged(status);
}

GlobalShortcut::Status FakeGlobalShortcut::setShortcut(const QKeySequence& keys) {
    requests.append(keys);
    registered = QKeySequence();
    if (!offered)
        setStatus(Status::NotOffered);
    else if (keys.isEmpty())
        setStatus(Status::Off);
    else if (takenByOthers.contains(keys))
        setStatus(Status::Taken);
    else {
        registered = keys;
        setStatus(Status::Registered);
    }
    return status();
}

void FakeGlobalShortcut::press(const QKeySequence& keys) {
    if (!registered.isEmpty() && keys == registered)
        emit activated();
}
