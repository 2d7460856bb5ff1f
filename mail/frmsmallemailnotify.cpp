#include "mail/frmsmallemailnotify.h"

#include "localisation/translator.h"
#include "platform/twips.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

frmSmallEmailNotify::frmSmallEmailNotify(Settings& settings, ProgramState& state,
                                         const Translator& tr, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus)
    , m_settings(settings)
    , m_state(state)
    , m_tr(tr) {
    setObjectName(QStringLiteral("frmSmallEmailNotify"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAutoFillBackground(true);
    QPalette look = palette();
    look.setColor(QPalette::Window, QColor(255, 255, 225));
    setPalette(look);
    auto* layout = new QVBoxLayout(this);
    m_lblSmallNotifyMsg = new QLabel(this);
    m_lblSmallNotifyMsg->setObjectName(QStringLiteral("lblSmallNotifyMsg"));
    m_lblSmallNotifyMsg->setAlignment(Qt::AlignCenter);
    m_cmdShowDetail = new QPushButton(m_tr.Translation(9), this);
    m_cmdShowDetail->setObjectName(QStringLiteral("cmdShowDetail"));
    m_cmdShowDetail->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(m_lblSmallNotifyMsg, 1);
    layout->addWidget(m_cmdShowDetail);
    // A transparent label over the text takes the mouse for dragging and clicking.
    m_lblTooltip = new QLabel(this);
    m_lblTooltip->setObjectName(QStringLiteral("lblTooltip"));
    m_lblTooltip->setToolTip(
        QStringLiteral("Left-click to close / Right-click to open your usual mail program"));
    m_lblTooltip->setAttribute(Qt::WA_TranslucentBackground);
    m_lblTooltip->installEventFilter(this);
    m_lblSmallNotifyMsg->installEventFilter(this);
    connect(m_cmdShowDetail, &QPushButton::clicked, this, &frmSmallEmailNotify::showDetailClicked);
    resize(200, 90);
}

void frmSmallEmailNotify::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_lblTooltip->setGeometry(m_lblSmallNotifyMsg->geometry());
    m_lblTooltip->raise();
}

void frmSmallEmailNotify::setMessage(const QString& text, const QString& lastEntry) {
    m_lblSmallNotifyMsg->setText(text);
    m_lblSmallNotifyMsg->setToolTip(lastEntry);
    if (!lastEntry.isEmpty())
        m_lblTooltip->setToolTip(lastEntry);
}

void frmSmallEmailNotify::setDetailsShown(bool shown) {
    m_cmdShowDetail->setText(m_tr.Translation(shown ? 10 : 9));
}

void frmSmallEmailNotify::showNotification() {
    if (!isVisible()) {
        const int left = twips::toPx(m_settings.posSNotifyLeft);
        const int top = twips::toPx(m_settings.posSNotifyTop);
        if (left > 0 && top > 0) {
            move(left, top);
        } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            move(area.right() - width() - 8, area.bottom() - height() - 8);
        }
    }
    show();
    raise();
}

bool frmSmallEmailNotify::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_lblTooltip && watched != m_lblSmallNotifyMsg)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            emit mailProgramRequested();
            return true;
        }
        if (mouse->button() == Qt::LeftButton) {
            m_pressed = true;
            m_dragged = false;
            m_pressGlobal = mouse->globalPosition().toPoint();
            m_pressWindow = pos();
        }
        return true;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!m_pressed || !(mouse->buttons() & Qt::LeftButton))
            return true;
        const QPoint delta = mouse->globalPosition().toPoint() - m_pressGlobal;
        if (delta.manhattanLength() < 3 && !m_dragged)
            return true;
        // A move of the mouse with the button held drags the window; it is no click then.
        m_dragged = true;
        move(m_pressWindow + delta);
        m_settings.posSNotifyLeft = twips::fromPx(x());
        m_settings.posSNotifyTop = twips::fromPx(y());
        m_state.SettingsChanged = true;
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !m_pressed)
            return true;
        m_pressed = false;
        if (!m_dragged) {
            hide();
            setDetailsShown(false);
            emit dismissed();
        }
        m_dragged = false;
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
