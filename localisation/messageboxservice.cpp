#include "localisation/messageboxservice.h"

#include "localisation/frmmsgbox.h"

#include <algorithm>

MessageBoxService::MessageBoxService(const Translator& translator, QObject* parent)
    : QObject(parent)
    , m_translator(translator) {}

MessageBoxService::~MessageBoxService() {
    unloadAll();
}

bool MessageBoxService::blocks(const MessageBoxOptions& options) {
    return !(options.blocking == 0 && options.buttons < 1);
}

int MessageBoxService::Message_box(const QString& text, const QString& title,
                                   const MessageBoxOptions& options) {
    const bool modal = blocks(options);
    const int index = acquireSlot();
    if (index < 0) {
        // Eleven questions nested inside each other: answer "No" rather than overflow.
        return 1;
    }

    auto* box = new frmMsgbox;
    box->setup(text, title, options.buttons, options.icon, m_translator);
    box->place(options.left, options.top);
    Slot& slot = m_slots[static_cast<std::size_t>(index)];
    slot.box = box;
    slot.serial = ++m_serial;
    slot.modal = modal;

    if (!modal) {
        connect(box, &QDialog::finished, this, [this, box] {
            releaseSlot(box);
            box->deleteLater();
        });
        box->show();
        return 0;
    }

    ++m_modalDepth;
    updateOpenFlag();
    QPointer<frmMsgbox> guard(box);
    box->exec();
    const int result = guard ? guard->Result() : 1;
    --m_modalDepth;
    releaseSlot(box);
    delete guard.data();
    updateOpenFlag();
    return result;
}

bool MessageBoxService::MessageBoxOpen() const {
    return m_open;
}

void MessageBoxService::setMessageBoxOpen(bool open) {
    m_externalOpen = open;
    updateOpenFlag();
}

void MessageBoxService::unloadAll() {
    for (Slot& slot : m_slots) {
        if (slot.box == nullptr) {
            continue;
        }
        if (slot.modal) {
            // Its own call returns 1 and releases it.
            slot.box->reject();
        } else {
            frmMsgbox* box = slot.box;
            slot = Slot{};
            box->disconnect(this);
            delete box;
        }
    }
}

QList<frmMsgbox*> MessageBoxService::openBoxes() const {
    QList<const Slot*> taken;
    for (const Slot& slot : m_slots) {
        if (slot.box != nullptr) {
            taken.append(&slot);
        }
    }
    std::sort(taken.begin(), taken.end(),
              [](const Slot* a, const Slot* b) { return a->serial < b->serial; });
    QList<frmMsgbox*> boxes;
    for (const Slot* slot : taken) {
        boxes.append(slot->box);
    }
    return boxes;
}

int MessageBoxService::depth() const {
    return static_cast<int>(std::count_if(m_slots.begin(), m_slots.end(),
                                          [](const Slot& slot) { return slot.box != nullptr; }));
}

int MessageBoxService::acquireSlot() {
    int oldest = -1;
    for (int index = 0; index < MaxBoxes; ++index) {
        const Slot& slot = m_slots[static_cast<std::size_t>(index)];
        if (slot.box == nullptr) {
            return index;
        }
        if (!slot.modal &&
            (oldest < 0 || slot.serial < m_slots[static_cast<std::size_t>(oldest)].serial)) {
            oldest = index;
        }
    }
    if (oldest >= 0) {
        Slot& slot = m_slots[static_cast<std::size_t>(oldest)];
        frmMsgbox* box = slot.box;
        slot = Slot{};
        box->disconnect(this);
        box->hide();
        box->deleteLater();
    }
    return oldest;
}

void MessageBoxService::releaseSlot(const frmMsgbox* box) {
    for (Slot& slot : m_slots) {
        if (slot.box == box) {
            slot = Slot{};
        }
    }
}

void MessageBoxService::updateOpenFlag() {
    const bool open = m_modalDepth > 0 || m_externalOpen;
    if (open != m_open) {
        m_open = open;
        emit MessageBoxOpenChanged(open);
    }
}
