#pragma once

#include "noteviews.h"
#include "propertycommands.h"

class NoteWindowSet;

// The manager's view of the real note windows and their property commands.
class NoteWindowAdapter final : public NoteViews, public PropertyCommands {
public:
    explicit NoteWindowAdapter(NoteWindowSet& windows);

    void createNewNoteWindow(int slot) override;
    void showNote(int slot, bool animate) override;
    void hideNote(int slot, bool animate) override;
    void retireNote(int slot) override;
    void focusText(int slot) override;
    void placeTextCursor(int slot, int position) override;

    [[nodiscard]] std::optional<bool> savedOnTop(int slot) const override;
    void setAlwaysOnTop(int slot, bool onTop) override;
    void setLocked(int slot, bool locked) override;
    void setAutoRoll(int slot, bool autoRoll) override;
    void setAutoDim(int slot, bool autoDim) override;
    void setShowTitle(int slot, bool showTitle) override;
    void setShowScrollBar(int slot, bool showScrollBar) override;
    void setTitle(int slot, const QString& title) override;
    bool chooseColor(int slot, bool background, QWidget* owner) override;
    bool chooseFont(int slot, QWidget* owner) override;
    void toggleStretch(int slot) override;
    void toggleKeepRatio(int slot) override;
    void setTypedPicturePath(int slot, const QString& text) override;
    void browsePicture(int slot, QWidget* owner) override;

private:
    NoteWindowSet& m_windows;
};
