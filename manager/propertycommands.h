#pragma once

#include <QString>
#include <optional>

class QWidget;

// The property changes the properties panel asks for. Each applies the change to the record
// and the window of the note and marks the note changed; the panel never changes a note
// itself.
class PropertyCommands {
public:
    virtual ~PropertyCommands() = default;
    // While a note menu is open the window is lowered for the menu: the always-on-top state
    // saved before it opened; nothing otherwise.
    [[nodiscard]] virtual std::optional<bool> savedOnTop(int slot) const = 0;
    virtual void setAlwaysOnTop(int slot, bool onTop) = 0;
    virtual void setLocked(int slot, bool locked) = 0;
    virtual void setAutoRoll(int slot, bool autoRoll) = 0;
    virtual void setAutoDim(int slot, bool autoDim) = 0;
    virtual void setShowTitle(int slot, bool showTitle) = 0;
    virtual void setShowScrollBar(int slot, bool showScrollBar) = 0;
    // An empty (after trimming) title is ignored.
    virtual void setTitle(int slot, const QString& title) = 0;
    // False when the dialog was cancelled.
    virtual bool chooseColor(int slot, bool background, QWidget* owner) = 0;
    virtual bool chooseFont(int slot, QWidget* owner) = 0;
    virtual void toggleStretch(int slot) = 0;
    virtual void toggleKeepRatio(int slot) = 0;
    virtual void setTypedPicturePath(int slot, const QString& text) = 0;
    virtual void browsePicture(int slot, QWidget* owner) = 0;
};
