#include "platform/screenfit.h"

#include <algorithm>
#include <limits>

namespace screenfit {

namespace {

// Squared distance between two rectangles; 0 when they touch or overlap.
qint64 distance2(const QRect& a, const QRect& b) {
    const qint64 dx = std::max({0, b.left() - a.right(), a.left() - b.right()});
    const qint64 dy = std::max({0, b.top() - a.bottom(), a.top() - b.bottom()});
    return dx * dx + dy * dy;
}

int clampInto(int start, int length, int areaStart, int areaLength) {
    // A window longer than the area keeps its start (its title bar) on the area.
    const int last = areaStart + std::max(0, areaLength - length);
    return std::clamp(start, areaStart, last);
}

} // namespace

bool isReachable(const QRect& window, const QList<Screen>& screens) {
    const int needW = std::min(GripPx, std::max(1, window.width()));
    const int needH = std::min(GripPx, std::max(1, window.height()));
    return std::any_of(screens.begin(), screens.end(), [&](const Screen& screen) {
        const QRect shown = window.intersected(screen.geometry);
        return shown.width() >= needW && shown.height() >= needH;
    });
}

QRect bringInside(const QRect& window, const QList<Screen>& screens) {
    if (screens.isEmpty() || isReachable(window, screens))
        return window;
    const Screen* nearest = nullptr;
    qint64 best = std::numeric_limits<qint64>::max();
    for (const Screen& screen : screens) {
        const qint64 d = distance2(window, screen.geometry);
        if (d < best) {
            best = d;
            nearest = &screen;
        }
    }
    const QRect area = nearest->available.isValid() ? nearest->available : nearest->geometry;
    QRect placed = window;
    placed.moveTo(clampInto(window.left(), window.width(), area.left(), area.width()),
                  clampInto(window.top(), window.height(), area.top(), area.height()));
    return placed;
}

} // namespace screenfit
