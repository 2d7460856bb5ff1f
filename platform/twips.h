#pragma once

#include <cmath>

// Geometry is kept in twips outside the widgets: 15 twips per logical pixel. These are the
// only conversions between the two.
namespace twips {

inline constexpr int PerPixel = 15;

[[nodiscard]] inline int toPx(double twipsValue) {
    return static_cast<int>(std::lround(twipsValue / PerPixel));
}
[[nodiscard]] inline double toPxF(double twipsValue) {
    return twipsValue / PerPixel;
}
[[nodiscard]] inline float fromPx(int px) {
    return static_cast<float>(px * PerPixel);
}

} // namespace twips
