#pragma once

#include "platform/messagesink.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <array>

class frmMsgbox;
class Translator;

// The program's message box. Information and error boxes ("Ok" only, fifth option 0) do not
// block: the call returns 0 at once and the box stays until its button is pressed. Every
// other box is modal and returns the pressed button. Up to 11 boxes are open at once.
class MessageBoxService final : public QObject, public MessageSink {
    Q_OBJECT

public:
    static constexpr int MaxBoxes = 11;

    explicit MessageBoxService(const Translator& translator, QObject* parent = nullptr);
    ~MessageBoxService() override;
    MessageBoxService(const MessageBoxService&) = delete;
    MessageBoxService& operator=(const MessageBoxService&) = delete;

    int Message_box(const QString& text, const QString& title,
                    const MessageBoxOptions& options) override;

    // Set while a modal window of the program is open: a question box here, or another
    // modal window that reports itself through setMessageBoxOpen.
    [[nodiscard]] bool MessageBoxOpen() const;
    // For the program's other modal windows (calendar picker, send window).
    void setMessageBoxOpen(bool open);

    // Closes every box: modal boxes answer 1, the others are released. For shutdown.
    void unloadAll();

    // The boxes on screen, oldest first.
    [[nodiscard]] QList<frmMsgbox*> openBoxes() const;
    // How many of the 11 places are taken.
    [[nodiscard]] int depth() const;

    // A box that does not block returns at once.
    [[nodiscard]] static bool blocks(const MessageBoxOptions& options);

signals:
    void MessageBoxOpenChanged(bool open);

private:
    struct Slot {
        QPointer<frmMsgbox> box;
        quint64 serial = 0;
        bool modal = false;
    };

    // A free place; when all are taken, the oldest box that does not block makes room.
    // -1 when every place holds a modal box.
    [[nodiscard]] int acquireSlot();
    void releaseSlot(const frmMsgbox* box);
    void updateOpenFlag();

    const Translator& m_translator;
    std::array<Slot, MaxBoxes> m_slots{};
    quint64 m_serial = 0;
    int m_modalDepth = 0;
    bool m_externalOpen = false;
    bool m_open = false;
};
