#pragma once

#include "notewindow/noteprinter.h"

#include <QString>

class LinkedFileStore;
class NoteWindowSet;
struct NoteContext;
struct NoteWindowState;
class QFont;
class QWidget;

// The changes of a note's properties. The properties panel's handlers, the note window's Alt
// shortcuts and its menus all come here, so this is the only code that changes them. Each
// applies the change to the record and the window and marks the note changed.
class NoteCommands {
public:
    NoteCommands(const NoteContext& ctx, NoteWindowSet& windows);

    void setAlwaysOnTop(int slot, bool onTop);
    void setLocked(int slot, bool locked);
    void setAutoRoll(int slot, bool autoRoll);
    void setAutoDim(int slot, bool autoDim);
    void setShowTitle(int slot, bool showTitle);
    void setShowScrollBar(int slot, bool showScrollBar);
    // An empty (after trimming) title is ignored and the old one stays.
    void setTitle(int slot, const QString& title);
    // The colour dialog on the background (or text) colour; false when cancelled.
    bool chooseColor(int slot, bool background, QWidget* owner);
    // The font dialog, starting from the note's font and keeping the 1.34 point/height
    // conversion; false when cancelled. OK without a change leaves the note unmarked.
    bool chooseFont(int slot, QWidget* owner);
    // The font the dialog starts from: the note's family, size, bold, italic and underline,
    // under the name of the family's matching style.
    [[nodiscard]] static QFont dialogFont(const NoteWindowState& st);

    // Picture side.
    void showText(int slot);
    void showImage(int slot);
    void toggleStretch(int slot);
    void toggleKeepRatio(int slot);
    void cycleDisplayMode(int slot);
    // A picture from the dialog or a drop; refuses paths over 64 bytes on file (messages 50/51).
    bool setPictureFromFile(int slot, const QString& path);
    // A typed path ("" clears the picture).
    void setTypedPicturePath(int slot, const QString& text);
    void browsePicture(int slot, QWidget* owner);

    // "Set as default": copies the note's look and settings into NoteDefaults.
    void setAsDefault(int slot, bool onTopBeforeMenu);

    // The properties panel's link settings (UpdateLinkedFile); without linked files the link
    // is only stored.
    void setLinkedFiles(LinkedFileStore* files) { m_linkedFiles = files; }
    void setLink(int slot, bool openFile, const QString& path);

    // "Print": the user chooses the printer (or a PDF file), then the note is printed; a
    // print that fails says so.
    void print(int slot, QWidget* owner);
    void setPrinterChooser(noteprinter::ChoosePrinter choose) {
        m_choosePrinter = std::move(choose);
    }
    // What the note prints: header, alarm line and the text as its window breaks it. A
    // never-set alarm gets its defaults first.
    [[nodiscard]] noteprinter::Page printPage(int slot);

    // The stored font height is the point size times 1.34, rounded to the nearest integer
    // (halves to even); it reads back as Int(|height| / 1.34 + 0.5). 12 pt -> 16 -> 12.
    [[nodiscard]] static int fontHeightFromPoints(double points);
    [[nodiscard]] static int pointsFromFontHeight(int height);
    // Font sizes the font dialog accepts.
    static constexpr int MinFontPoints = 6;
    static constexpr int MaxFontPoints = 72;

private:
    [[nodiscard]] bool valid(int slot) const;
    void pictureMessage(int slot, int number, const QString& description,
                        const QString& path) const;

    const NoteContext& m_ctx;
    NoteWindowSet& m_windows;
    LinkedFileStore* m_linkedFiles = nullptr;
    noteprinter::ChoosePrinter m_choosePrinter = noteprinter::askWithDialog;
};
