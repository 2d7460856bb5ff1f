#pragma once

#include <QRect>
#include <QWidget>

// The edges of a note window: a frameless window has no frame of the window manager, so the
// note keeps a few pixels' band along each edge that resizes it, with the size cursors.
namespace resizeband {

// Width of the band along each edge, and how far a corner reaches along its two edges, in
// logical pixels.
inline constexpr int BandPx = 3;
inline constexpr int CornerPx = 10;

// Which edges a press at `pos` (window coordinates) drags: none in the middle, one along an
// edge, two in a corner. `widthOnly`: only the left and right edges (a rolled-up note).
[[nodiscard]] Qt::Edges edgesAt(const QSize& size, const QPoint& pos, bool widthOnly);
[[nodiscard]] Qt::CursorShape cursorFor(Qt::Edges edges);
// The window's geometry after dragging `edges` by `delta` from `start`, kept within the
// window's minimum and maximum sizes; the opposite edges stay where they are.
[[nodiscard]] QRect dragged(const QRect& start, Qt::Edges edges, const QPoint& delta,
                            const QSize& minimum, const QSize& maximum);

} // namespace resizeband

// One band along one side of the window, above the window's contents. A press asks the window
// system to resize the window (which also works where a program may not move its windows
// itself); where it cannot, the band follows the drag itself.
class ResizeGrip : public QWidget {
    Q_OBJECT
public:
    ResizeGrip(Qt::Edge side, QWidget* window);

    [[nodiscard]] Qt::Edge side() const { return m_side; }
    // Places the band along its side of the window.
    void place();
    // Only the left and right edges resize (a rolled-up note).
    void setWidthOnly(bool widthOnly);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    [[nodiscard]] Qt::Edges edgesAt(const QPointF& local) const;

    Qt::Edge m_side;
    bool m_widthOnly = false;
    // The drag followed here: edges, pointer and window geometry at the press.
    Qt::Edges m_dragEdges;
    QPoint m_pressPointer;
    QRect m_pressGeometry;
};
