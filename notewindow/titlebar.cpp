#include "notewindow/titlebar.h"

#include "platform/twips.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>
#include <cmath>

namespace {

// Design geometry of the title bar, in twips.
constexpr int DesignHeight = 195;
constexpr int ActionbarWidth = 735;
constexpr int LabelSize = 195;
constexpr int AoTopLeft = 0;
constexpr int RollLeft = 270;
constexpr int HideLeft = 540;
constexpr int PropWidth = 150;
constexpr int AoTopDiameter = 105;
constexpr int RollBarWidth = 160;
constexpr int RollBarThin = 30;
constexpr int RollBarThick = 120;
constexpr int PropShapeWidth = 115;
constexpr int PropShapeHeight = 170;
// The hide button's "x": Arial 9 points, 12 pixels at 96 dpi.
constexpr double HideFontPx = 12.0;

// Aligns a length to whole device pixels so that the indicators stay crisp at any scale.
double snap(double logical, double dpr) {
    return std::round(logical * dpr) / dpr;
}

QRectF snapped(const QRectF& r, double dpr) {
    const double left = snap(r.left(), dpr);
    const double top = snap(r.top(), dpr);
    return {left, top, snap(r.left() + r.width(), dpr) - left,
            snap(r.top() + r.height(), dpr) - top};
}

} // namespace

ActionLabel::ActionLabel(Kind kind, QWidget* parent)
    : QWidget(parent)
    , m_kind(kind) {
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::ArrowCursor);
}

void ActionLabel::setOn(bool on) {
    if (m_on != on) {
        m_on = on;
        update();
    }
}

void ActionLabel::setTextColor(const QColor& color) {
    m_textColor = color;
    update();
}

void ActionLabel::setScale(double scale) {
    m_scale = scale;
    update();
}

void ActionLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double dpr = devicePixelRatioF();
    const double h = height();
    const QColor outline(0, 0, 0, 150);
    switch (m_kind) {
    case Kind::AlwaysOnTop: {
        const double d = twips::toPxF(AoTopDiameter) * m_scale;
        const QRectF r = snapped(QRectF((width() - d) / 2.0, (h - d) / 2.0, d, d), dpr);
        p.setPen(QPen(outline, 1.0 / dpr));
        p.setBrush(m_on ? QColor(0, 255, 0) : QColor(255, 0, 0));
        p.drawEllipse(r.adjusted(0.5 / dpr, 0.5 / dpr, -0.5 / dpr, -0.5 / dpr));
        break;
    }
    case Kind::Roll: {
        // A thin bar while unrolled, a block while rolled up, both hanging from one top.
        const double w = twips::toPxF(RollBarWidth) * m_scale;
        const double thick = twips::toPxF(RollBarThick) * m_scale;
        const double bar = twips::toPxF(m_on ? RollBarThick : RollBarThin) * m_scale;
        const QRectF r = snapped(QRectF((width() - w) / 2.0, (h - thick) / 2.0, w, bar), dpr);
        p.fillRect(r, QColor(0, 0, 128));
        break;
    }
    case Kind::Hide: {
        QFont f(QStringLiteral("Arial"));
        // 9 points at the design's 96 dpi, grown with the bar.
        f.setPixelSize(std::max(1, static_cast<int>(std::lround(HideFontPx * m_scale))));
        f.setBold(true);
        p.setFont(f);
        p.setPen(m_textColor);
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("x"));
        break;
    }
    case Kind::Properties: {
        const double w = twips::toPxF(PropShapeWidth) * m_scale;
        const double sh = std::min(twips::toPxF(PropShapeHeight) * m_scale, h - 2.0);
        const QRectF r = snapped(QRectF((width() - w) / 2.0, (h - sh) / 2.0, w, sh), dpr);
        p.setPen(QPen(outline, 1.0 / dpr));
        p.setBrush(m_on ? QColor(255, 0, 0) : QColor(255, 255, 0));
        p.drawRoundedRect(r.adjusted(0.5 / dpr, 0.5 / dpr, -0.5 / dpr, -0.5 / dpr), 2.0, 2.0);
        break;
    }
    }
}

void ActionLabel::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void ActionLabel::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (rect().contains(event->position().toPoint())) {
        emit released(event->button());
    }
}

void ActionLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second click of a double click is a click of its own, as on the design's labels.
    event->accept();
}

TitleBar::TitleBar(QWidget* parent)
    : QWidget(parent)
    , lblToolBarProp(new ActionLabel(ActionLabel::Kind::Properties, this))
    , fraActionbar(new QWidget(this))
    , lblActionbarAoTop(new ActionLabel(ActionLabel::Kind::AlwaysOnTop, fraActionbar))
    , lblActionbarRoll(new ActionLabel(ActionLabel::Kind::Roll, fraActionbar))
    , lblActionbarHide(new ActionLabel(ActionLabel::Kind::Hide, fraActionbar)) {
    setObjectName(QStringLiteral("fraToolbar"));
    lblToolBarProp->setObjectName(QStringLiteral("lblToolBarProp"));
    fraActionbar->setObjectName(QStringLiteral("fraActionbar"));
    lblActionbarAoTop->setObjectName(QStringLiteral("lblActionbarAoTop"));
    lblActionbarRoll->setObjectName(QStringLiteral("lblActionbarRoll"));
    lblActionbarHide->setObjectName(QStringLiteral("lblActionbarHide"));
    setFont(captionFont());
    // The buttons' tooltips show while another window has the focus, as the note's do.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setToolTip(QStringLiteral("Right-click=Properties , Double-click=Roll"));
    lblToolBarProp->setToolTip(
        QStringLiteral("Left-click=Change sides (text/image), Right-click=Properties"));
    lblActionbarAoTop->setToolTip(QStringLiteral("Always on top"));
    lblActionbarHide->setToolTip(QStringLiteral("Hide"));
    setActiveLook(false);
}

QFont TitleBar::captionFont() {
    QFont f;
    f.setPointSizeF(8);
    f.setBold(true);
    return f;
}

int TitleBar::heightPx() {
    return heightFor(captionFont());
}

int TitleBar::heightFor(const QFont& font) {
    const QFontMetrics fm(font);
    return std::max(twips::toPx(DesignHeight), fm.height() + 1);
}

double TitleBar::scaleFor(const QFont& font) {
    return static_cast<double>(heightFor(font)) / twips::toPxF(DesignHeight);
}

void TitleBar::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        const double s = scale();
        for (ActionLabel* label :
             {lblToolBarProp, lblActionbarAoTop, lblActionbarRoll, lblActionbarHide}) {
            label->setScale(s);
        }
        resizeEvent(nullptr);
    }
}

void TitleBar::setCaption(const QString& caption) {
    m_caption = caption;
    update();
}

void TitleBar::setActiveLook(bool active) {
    m_active = active;
    lblActionbarHide->setTextColor(foreground());
    update();
}

QColor TitleBar::background() const {
    return m_active ? palette().color(QPalette::Active, QPalette::Highlight)
                    : palette().color(QPalette::Inactive, QPalette::Window).darker(115);
}

QColor TitleBar::foreground() const {
    return m_active ? palette().color(QPalette::Active, QPalette::HighlightedText)
                    : palette().color(QPalette::Inactive, QPalette::WindowText);
}

void TitleBar::resizeEvent(QResizeEvent*) {
    const int h = height();
    const double s = scale();
    const auto px = [s](int designTwips) { return twips::toPx(designTwips * s); };
    lblToolBarProp->setGeometry(0, 0, px(PropWidth), h);
    // The action bar always sits at the right end.
    const int barWidth = px(ActionbarWidth);
    fraActionbar->setGeometry(width() - barWidth, 0, barWidth, h);
    const int size = px(LabelSize);
    lblActionbarAoTop->setGeometry(px(AoTopLeft), 0, size, h);
    lblActionbarRoll->setGeometry(px(RollLeft), 0, size, h);
    lblActionbarHide->setGeometry(px(HideLeft), 0, size, h);
}

void TitleBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), background());
    p.setPen(foreground());
    p.setFont(font());
    const int left = lblToolBarProp->geometry().right() + 4;
    const QRect textRect(left, 0, fraActionbar->x() - left - 2, height());
    const QString text = fontMetrics().elidedText(m_caption, Qt::ElideRight, textRect.width());
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
}

void TitleBar::mousePressEvent(QMouseEvent* event) {
    m_pressedLeft = event->button() == Qt::LeftButton;
    m_pressedAt = event->position().toPoint();
    event->accept();
}

void TitleBar::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    // A Wayland compositor moves windows only itself; the drag is handed to it. Elsewhere the
    // note window follows the pointer on its own.
    if (!m_pressedLeft || !(event->buttons() & Qt::LeftButton) ||
        !QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ||
        (event->position().toPoint() - m_pressedAt).manhattanLength() <
            QApplication::startDragDistance()) {
        return;
    }
    if (QWindow* handle = window()->windowHandle();
        handle != nullptr && handle->startSystemMove()) {
        m_pressedLeft = false;
    }
}

void TitleBar::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::RightButton) {
        emit rightReleased();
    } else if (event->button() == Qt::LeftButton && m_pressedLeft) {
        emit clicked();
    }
    m_pressedLeft = false;
}

void TitleBar::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton) {
        emit doubleClicked();
    }
}
