#pragma once

class QWidget;

// Window-level operations of the desktop: always on top, translucency, the show/hide animation.
namespace windowops {

// onTop -1 (true): topmost; 0 (false): not topmost; any other value: raise without making it
// topmost.
void SetTopmost(QWidget* window, int onTop);
// 0 fully transparent .. 255 opaque. Returns 0, 1 for a level outside 0..255, 2 on failure.
int SetTranslucency(QWidget* window, int level);
int ClearTranslucency(QWidget* window);
// 200 ms from the centre; hiding leaves the window hidden.
void AnimateNote(QWidget* window, bool hiding);

} // namespace windowops
