#include "notewindow/resizegrip.h"

#include <QMouseEvent>
#include <QWindow>

namespace resizeband {

Qt::Edges edgesAt(const QSize& size, const QPoint& pos, bool widthOnly) {
    if (!QRect(QPoint(0, 0), size).contains(pos)) {
        return {};
    }
    const int w = size.width();
    const int h = size.height();
    bool left = pos.x() < BandPx;
    bool right = !left && pos.x() >= w - BandPx;
    bool top = pos.y() < BandPx;
    bool bottom = !top && pos.y() >= h - BandPx;
    // A corner reaches a little along both of its edges, so that it is easy to catch.
    if (left || right) {
        top = top || pos.y() < CornerPx;
        bottom = !top && (bottom || pos.y() >= h - CornerPx);
    }
    if (top || bottom) {
        left = left || pos.x() < CornerPx;
        right = !left && (right || pos.x() >= w - CornerPx);
    }
    if (widthOnly) {
        top = false;
        bottom = false;
    }
    Qt::Edges edges;
    edges.setFlag(Qt::LeftEdge, left);
    edges.setFlag(Qt::RightEdge, right);
    edges.setFlag(Qt::TopEdge, top);
    edges.setFlag(Qt::BottomEdge, bottom);
    return edges;
}

Qt::CursorShape cursorFor(Qt::Edges edges) {
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        const bool mainDiagonal =
            edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge);
        return mainDiagonal ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    if (horizontal) {
        return Qt::SizeHorCursor;
    }
    return vertical ? Qt::SizeVerCursor : Qt::ArrowCursor;
}

QRect dragged(const QRect& start, Qt::Edges edges, const QPoint& delta, const QSize& minimum,
              const QSize& maximum) {
    QRect r = start;
    if (edges & Qt::LeftEdge) {
        const int width = std::clamp(start.width() - delta.x(), minimum.width(), maximum.width());
        r.setLeft(start.right() + 1 - width);
    } else if (edges & Qt::RightEdge) {
        r.setWidth(std::clamp(start.width() + delta.x(), minimum.width(), maximum.width()));
    }
    if (edges & Qt::TopEdge) {
        const int height =
            std::clamp(start.height() - delta.y(), minimum.height(), maximum.height());
        r.setTop(start.bottom() + 1 - height);
    } else if (edges & Qt::BottomEdge) {
        r.setHeight(std::clamp(start.height() + delta.y(), minimum.height(), maximum.height()));
    }
    return r;
}

} // namespace resizeband

ResizeGrip::ResizeGrip(Qt::Edge side, QWidget* window)
    : QWidget(window)
    , m_side(side) {
    static const char* const names[] = {"resizeGripTop", "resizeGripLeft", "resizeGripRight",
                                        "resizeGripBottom"};
    const int index = side == Qt::TopEdge     ? 0
                      : side == Qt::LeftEdge  ? 1
                      : side == Qt::RightEdge ? 2
                                              : 3;
    setObjectName(QLatin1String(names[index]));
    // Paints nothing: the window's frame and contents show through.
    setMouseTracking(true);
    setCursor(resizeband::cursorFor(side));
}

void ResizeGrip::place() {
    const QWidget* w = parentWidget();
    const int width = w->width();
    const int height = w->height();
    const int band = resizeband::BandPx;
    switch (m_side) {
    case Qt::TopEdge:
        setGeometry(0, 0, width, band);
        break;
    case Qt::BottomEdge:
        setGeometry(0, height - band, width, band);
        break;
    case Qt::LeftEdge:
        setGeometry(0, 0, band, height);
        break;
    case Qt::RightEdge:
        setGeometry(width - band, 0, band, height);
        break;
    }
    raise();
}

void ResizeGrip::setWidthOnly(bool widthOnly) {
    m_widthOnly = widthOnly;
    setVisible(!widthOnly || m_side == Qt::LeftEdge || m_side == Qt::RightEdge);
}

Qt::Edges ResizeGrip::edgesAt(const QPointF& local) const {
    const QPoint inWindow = mapTo(parentWidget(), local.toPoint());
    return resizeband::edgesAt(parentWidget()->size(), inWindow, m_widthOnly);
}

void ResizeGrip::mousePressEvent(QMouseEvent* event) {
    event->accept();
    m_dragEdges = {};
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const Qt::Edges edges = edgesAt(event->position());
    if (edges == Qt::Edges()) {
        return;
    }
    QWidget* w = window();
    if (QWindow* handle = w->windowHandle();
        handle != nullptr && handle->startSystemResize(edges)) {
        return;
    }
    m_dragEdges = edges;
    m_pressPointer = event->globalPosition().toPoint();
    m_pressGeometry = w->geometry();
}

void ResizeGrip::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (m_dragEdges == Qt::Edges()) {
        if (event->buttons() == Qt::NoButton) {
            setCursor(resizeband::cursorFor(edgesAt(event->position())));
        }
        return;
    }
    if (!(event->buttons() & Qt::LeftButton)) {
        m_dragEdges = {};
        return;
    }
    QWidget* w = window();
    const QPoint delta = event->globalPosition().toPoint() - m_pressPointer;
    const QRect target = resizeband::dragged(m_pressGeometry, m_dragEdges, delta, w->minimumSize(),
                                             w->maximumSize());
    if (target != w->geometry()) {
        w->setGeometry(target);
    }
}

void ResizeGrip::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    m_dragEdges = {};
}
