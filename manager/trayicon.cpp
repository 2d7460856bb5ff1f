#include "trayicon.h"

#include "notelists.h"
#include "store/notestore.h"

#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <cmath>

TrayClickDecoder::TrayClickDecoder(Actions actions, std::function<qint64()> monotonicMs,
                                   QObject* parent)
    : QObject(parent)
    , m_actions(std::move(actions))
    , m_monotonicMs(std::move(monotonicMs)) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        const qint64 now = m_monotonicMs();
        if (!settle(now) && pending()) {
            // The timer ran early against the clock: wait for the rest.
            m_timer.start(static_cast<int>(std::max<qint64>(1, m_latestMs + WaitMs - now)));
        }
    });
}

void TrayClickDecoder::feed(TrayEvent event, qint64 nowMs) {
    m_latest = event == TrayEvent::CtrlLeftPress ? TrayEvent::MiddlePress : event;
    m_latestMs = nowMs;
    m_timer.start(WaitMs);
}

bool TrayClickDecoder::settle(qint64 nowMs) {
    if (!m_latest || nowMs - m_latestMs < WaitMs) {
        return false;
    }
    const TrayEvent event = *m_latest;
    m_latest.reset();
    m_timer.stop();
    if (m_actions.messageBoxOpen && m_actions.messageBoxOpen()) {
        return true;
    }
    act(event);
    return true;
}

void TrayClickDecoder::act(TrayEvent event) {
    auto run = [](const std::function<void()>& action) {
        if (action) {
            action();
        }
    };
    switch (event) {
    case TrayEvent::DoubleClick:
        run(m_actions.newNote);
        break;
    case TrayEvent::LeftPress:
        run(m_actions.toggleManager);
        break;
    case TrayEvent::RightPress:
        run(m_actions.showMenu);
        break;
    case TrayEvent::MiddlePress:
    case TrayEvent::CtrlLeftPress:
        run(m_actions.invertSelected);
        break;
    }
}

TrayIcon::TrayIcon(NoteLists& lists, const NoteStore& store, std::function<bool()> messageBoxOpen,
                   std::function<qint64()> monotonicMs, QObject* parent)
    : QObject(parent)
    , m_lists(lists)
    , m_store(store)
    , m_icon(new QSystemTrayIcon(paintIcon(), this))
    , m_menu(new QMenu) {
    m_icon->setToolTip(QStringLiteral("Quillaboard"));
    m_menu->setObjectName(QStringLiteral("mnuPopupBase"));

    m_fil1 = m_menu->addSeparator();
    m_fil1->setObjectName(QStringLiteral("fil1"));
    auto addEntry = [this](const char* name, const QString& caption, auto handler) {
        QAction* action = m_menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, handler);
    };
    addEntry("mnuNewNote", QStringLiteral("New note\t[double-click]"),
             [this] { emit newNoteRequested(0); });
    addEntry("mnuNewEvent", QStringLiteral("New event"), [this] { emit newNoteRequested(1); });
    addEntry("mnuCheckMailNow", QStringLiteral("Check mail now"),
             [this] { emit checkMailRequested(); });
    addEntry("mnuShowHide", QStringLiteral("Show/hide control panel\t[Left click]"),
             [this] { emit showHideRequested(); });
    addEntry("mnuExit", QStringLiteral("Exit"), [this] { emit exitRequested(); });

    TrayClickDecoder::Actions actions;
    actions.toggleManager = [this] { emit showHideRequested(); };
    actions.newNote = [this] { emit newNoteRequested(0); };
    actions.showMenu = [this] { popupMenu(); };
    actions.invertSelected = [this] {
        const int front = m_lists.frontList();
        if (m_lists.selectedLine(front) >= 0) {
            m_lists.invertSelectedTick();
        }
    };
    actions.messageBoxOpen = std::move(messageBoxOpen);
    m_decoder = new TrayClickDecoder(std::move(actions), monotonicMs, this);

    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this, monotonicMs](QSystemTrayIcon::ActivationReason reason) {
                std::optional<TrayEvent> event;
                switch (reason) {
                case QSystemTrayIcon::Trigger:
                    event = QGuiApplication::keyboardModifiers().testFlag(Qt::ControlModifier)
                                ? TrayEvent::CtrlLeftPress
                                : TrayEvent::LeftPress;
                    break;
                case QSystemTrayIcon::DoubleClick:
                    event = TrayEvent::DoubleClick;
                    break;
                case QSystemTrayIcon::MiddleClick:
                    event = TrayEvent::MiddlePress;
                    break;
                case QSystemTrayIcon::Context:
                    event = TrayEvent::RightPress;
                    break;
                case QSystemTrayIcon::Unknown:
                    break;
                }
                if (event) {
                    m_decoder->feed(*event, monotonicMs());
                }
            });
}

TrayIcon::~TrayIcon() {
    delete m_menu;
}

void TrayIcon::AddTrayIcon() {
    m_icon->show();
}

void TrayIcon::RemoveTrayIcon() {
    m_icon->hide();
}

void TrayIcon::setTip(const QString& tip) {
    m_icon->setToolTip(tip);
}

QString TrayIcon::tip() const {
    return m_icon->toolTip();
}

void TrayIcon::fillPopupMenu() {
    const int count = std::min(MaxNoteEntries, m_store.lineCount(0));
    while (m_mnuNoteX.size() < count) {
        const int index = static_cast<int>(m_mnuNoteX.size());
        auto* action = new QAction(m_menu);
        action->setObjectName(QStringLiteral("mnuNoteX%1").arg(index));
        connect(action, &QAction::triggered, this, [this, index] { mnuNoteX_Click(index); });
        m_menu->insertAction(m_fil1, action);
        m_mnuNoteX.append(action);
    }
    for (int index = 0; index < m_mnuNoteX.size(); ++index) {
        QAction* action = m_mnuNoteX.at(index);
        const int slot = index < count ? m_store.slotAt(0, index) : -1;
        if (slot < 0) {
            action->setVisible(false);
            continue;
        }
        QString title = m_store.Notes.at(static_cast<size_t>(slot)).trimmedTitle();
        action->setText(title.replace(QLatin1Char('&'), QStringLiteral("&&")));
        action->setVisible(m_store.Windows.at(static_cast<size_t>(slot)).Live);
    }
}

void TrayIcon::mnuNoteX_Click(int index) {
    m_lists.optSelectList_Click(0);
    m_lists.selectLine(0, index);
    if (m_lists.selectedLine(0) == index) {
        m_lists.invertSelectedTick();
    }
}

void TrayIcon::popupMenu() {
    fillPopupMenu();
    m_menu->popup(QCursor::pos());
    m_menu->activateWindow();
}

QIcon TrayIcon::paintIcon() {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing, true);
        const int border = std::max(1, size / 24);
        // The pen's centre line sits half its width inside the margin, so odd widths lie on
        // pixel centres and the straight edges stay sharp.
        const qreal left = std::max(1, size / 16) + border / 2.0;
        const qreal top = left;
        const qreal right = size - left;
        const qreal bottom = size - top;
        const qreal fold = std::round(size / 4.0);
        QPainterPath note;
        note.moveTo(left, top);
        note.lineTo(right, top);
        note.lineTo(right, bottom - fold);
        note.lineTo(right - fold, bottom);
        note.lineTo(left, bottom);
        note.closeSubpath();
        painter.setPen(
            QPen(QColor(0x8a, 0x6d, 0x00), border, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(QColor(0xff, 0xe0, 0x4a));
        painter.drawPath(note);
        QPainterPath corner;
        corner.moveTo(right, bottom - fold);
        corner.lineTo(right - fold, bottom - fold);
        corner.lineTo(right - fold, bottom);
        corner.closeSubpath();
        painter.setBrush(QColor(0xd9, 0xb3, 0x1c));
        painter.drawPath(corner);
        // Text lines as whole-pixel rectangles.
        const int thickness = std::max(1, size / 16);
        const int lineLeft = static_cast<int>(left) + size / 5;
        const int lineRight = static_cast<int>(right) - size / 5;
        for (int row = 1; row <= 3; ++row) {
            const int y = static_cast<int>(top) + row * size / 5;
            const int end = row == 3 ? lineRight - static_cast<int>(fold) / 2 : lineRight;
            painter.fillRect(QRect(lineLeft, y, end - lineLeft, thickness),
                             QColor(0x7a, 0x62, 0x10));
        }
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
