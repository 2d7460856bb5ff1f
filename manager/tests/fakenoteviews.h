#pragma once

#include "manager/noteviews.h"
#include "manager/propertycommands.h"

#include <QList>
#include <QPair>
#include <QStringList>

class NoteStore;

// Note windows without windows: keeps Visible and Live of the tables as the real windows do
// and records the commands it was given.
class FakeNoteViews final : public NoteViews, public PropertyCommands {
public:
    explicit FakeNoteViews(NoteStore& store);

    QList<int> created;
    QList<int> shown;
    QList<int> hidden;
    QList<int> retired;
    QList<int> focused;
    QList<QPair<int, int>> cursors;
    QStringList calls;

    void createNewNoteWindow(int slot) override { created.append(slot); }
    void showNote(int slot, bool animate) override;
    void hideNote(int slot, bool animate) override;
    void retireNote(int slot) override;
    void focusText(int slot) override { focused.append(slot); }
    void placeTextCursor(int slot, int position) override;

    [[nodiscard]] std::optional<bool> savedOnTop(int) const override { return menuSavedOnTop; }
    // The state saved by an open note menu, when one is open.
    std::optional<bool> menuSavedOnTop;
    void setAlwaysOnTop(int slot, bool onTop) override;
    void setLocked(int slot, bool v) override { record(QStringLiteral("setLocked"), slot, v); }
    void setAutoRoll(int slot, bool v) override { record(QStringLiteral("setAutoRoll"), slot, v); }
    void setAutoDim(int slot, bool v) override { record(QStringLiteral("setAutoDim"), slot, v); }
    void setShowTitle(int slot, bool v) override {
        record(QStringLiteral("setShowTitle"), slot, v);
    }
    void setShowScrollBar(int slot, bool v) override {
        record(QStringLiteral("setShowScrollBar"), slot, v);
    }
    void setTitle(int slot, const QString& title) override;
    bool chooseColor(int slot, bool background, QWidget* owner) override;
    bool chooseFont(int slot, QWidget* owner) override;
    void toggleStretch(int slot) override { record(QStringLiteral("toggleStretch"), slot, true); }
    void toggleKeepRatio(int slot) override {
        record(QStringLiteral("toggleKeepRatio"), slot, true);
    }
    void setTypedPicturePath(int slot, const QString& text) override;
    void browsePicture(int slot, QWidget* owner) override;

private:
    void record(const QString& call, int slot, bool value);
    NoteStore& m_store;
};
