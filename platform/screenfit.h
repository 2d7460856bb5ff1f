#pragma once

#include <QList>
#include <QRect>

// Where a window goes when the screens it was placed for are gone: a window that lies outside
// every screen is brought inside the nearest one; a window that a screen still shows stays.
namespace screenfit {

struct Screen {
    // The whole screen, and the part that panels leave free (where a moved window goes).
    QRect geometry;
    QRect available;
};

// How much of a window a screen must show for the window to count as on it: enough to grab
// its title bar (or the whole window when it is smaller).
inline constexpr int GripPx = 24;

// Whether some screen shows enough of `window` to reach it.
[[nodiscard]] bool isReachable(const QRect& window, const QList<Screen>& screens);
// `window` itself when it is reachable (or there is no screen); otherwise the same size moved
// inside the free area of the nearest screen, its top-left corner kept on that area when the
// window is larger than it.
[[nodiscard]] QRect bringInside(const QRect& window, const QList<Screen>& screens);

} // namespace screenfit
