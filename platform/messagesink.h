#pragma once

#include <QString>

// The program's message box as model code sees it. The options follow the box's own:
// buttons 0 = "Ok", other = "Yes"/"No"; icon 0 none or 1..7; left/top in twips when above 0
// (else centred); blocking 0 with a single button means the box does not block.
struct MessageBoxOptions {
    int buttons = 0;
    int icon = 0;
    int left = 0;
    int top = 0;
    int blocking = 0;
    int topmost = -1;
};

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Returns the pressed button: 0 "Ok"/"Yes", 1 "No" or the close box. A box that does
    // not block returns 0 at once.
    virtual int Message_box(const QString& text, const QString& title,
                            const MessageBoxOptions& options) = 0;
};

namespace msgbox {
inline constexpr MessageBoxOptions Info{0, 4, 0, 0, 0, -1};
inline constexpr MessageBoxOptions Error{0, 3, 0, 0, 0, -1};
inline constexpr MessageBoxOptions Question{2, 2, 0, 0, 0, -1};
// The plain "Ok" box with icon 5 used for write failures.
inline constexpr MessageBoxOptions WriteFailure{0, 5, 0, 0, 0, -1};
// The classic error box without an icon.
inline constexpr MessageBoxOptions Plain{0, 0, 0, 0, 0, -1};
} // namespace msgbox
