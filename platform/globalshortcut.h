#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <memory>

// A keyboard shortcut that works from any program: on X11 a grab of the key on the root
// window; in a Wayland session the desktop's global-shortcuts portal, where there is one.
class GlobalShortcut : public QObject {
    Q_OBJECT
public:
    enum class Status {
        // The key reaches the program from anywhere.
        Registered,
        // Asked of the desktop; the answer comes with statusChanged.
        Pending,
        // Another program holds the key, or the desktop refused it.
        Taken,
        // No shortcut is set.
        Off,
        // This desktop offers no global shortcuts.
        NotOffered,
    };
    Q_ENUM(Status)

    using QObject::QObject;
    // Gives up any earlier key and takes `keys` (its first combination); an empty sequence
    // only gives up.
    virtual Status setShortcut(const QKeySequence& keys) = 0;
    [[nodiscard]] Status status() const { return m_status; }

    // What the setup panel says about a status.
    [[nodiscard]] static QString describe(Status status);

signals:
    void activated();
    void statusChanged(GlobalShortcut::Status status);

protected:
    void setStatus(Status status);

private:
    Status m_status = Status::Off;
};

namespace globalshortcut {
// The shortcut of the desktop the program runs on (X11 grab, Wayland portal, or nothing).
[[nodiscard]] std::unique_ptr<GlobalShortcut> forThisDesktop();
} // namespace globalshortcut

// A desktop for tests: records what was registered; `press()` plays the key.
class FakeGlobalShortcut : public GlobalShortcut {
    Q_OBJECT
public:
    explicit FakeGlobalShortcut(QObject* parent = nullptr)
        : GlobalShortcut(parent) {}
    Status setShortcut(const QKeySequence& keys) override;
    // Plays the key: activated() when the registered key is `keys`.
    void press(const QKeySequence& keys);

    // What the desktop answers.
    bool offered = true;
    QList<QKeySequence> takenByOthers;
    // Every sequence asked for, in order (empty for a release).
    QList<QKeySequence> requests;
    QKeySequence registered;
};
