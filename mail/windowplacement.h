#pragma once

#include <QString>

class QWidget;

// The stored placement of the mail windows: "left,top,width,height" in twips.
namespace windowplacement {

// Places the window as stored; a placement without a size, or off the screen, centres the
// window and stores that. True when the stored text changed.
bool place(QWidget* window, QString& stored);
// The window's placement as stored text; true when it differs from `stored` (then updated).
bool store(const QWidget* window, QString& stored);

} // namespace windowplacement
