#pragma once

#include <QRect>

class QWidget;

// Window-level operations of the desktop: always on top, translucency, the show/hide animation.
namespace windowops {

// onTop -1 (true): topmost; 0 (false): not topmost; any other value: raise without making it
// topmost. A shown window keeps its platform window, its place and the focus: only its
// stacking changes.
void SetTopmost(QWidget* window, int onTop);
// Puts the window into or out of the always-on-top layer where it is, without raising it.
void setStaysOnTop(QWidget* window, bool onTop);
// Whether the window is kept above the others.
[[nodiscard]] bool isTopmost(const QWidget* window);
// 0 fully transparent .. 255 opaque. Returns 0, 1 for a level outside 0..255, 2 on failure.
int SetTranslucency(QWidget* window, int level);
int ClearTranslucency(QWidget* window);
// 200 ms from the centre of `resting` (showing grows from it to `resting`, hiding shrinks to it
// and then puts the hidden window back at `resting`). While the animation runs and until the
// window system has reported its last animated size, the window carries the property
// `AnimatingProperty`, so that it does not take the animated sizes for the user's.
void AnimateNote(QWidget* window, bool hiding, const QRect& resting);
[[nodiscard]] bool isAnimating(const QWidget* window);

// Shows the window on every workspace (sticky) or on one only. On X11 the window's
// _NET_WM_DESKTOP (0xFFFFFFFF for all) and _NET_WM_STATE_STICKY are set while it is unmapped,
// which the window manager reads when it maps it, and asked of the window manager for a mapped
// window; elsewhere only the choice is recorded. The window manager forgets both when a window
// is hidden, so this is applied again before every show (`StickyProperty` holds the choice).
void setOnAllWorkspaces(QWidget* window, bool all);
[[nodiscard]] bool onAllWorkspaces(const QWidget* window);
inline constexpr const char* StickyProperty = "qb_allWorkspaces";
// What the window's _NET_WM_DESKTOP says: true for every workspace; false elsewhere than X11.
[[nodiscard]] bool x11OnAllWorkspaces(const QWidget* window);
inline constexpr const char* AnimatingProperty = "qb_animating";

} // namespace windowops
