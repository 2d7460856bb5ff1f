#pragma once

#include <QPoint>
#include <QWidget>
#include <array>

class NoteWindowSet;
struct NoteContext;
struct NoteRecord;
struct NoteWindowState;
class TitleBar;
class NoteImage;
class NoteMenus;
class QPlainTextEdit;
class QTimer;
class ResizeGrip;

// The window of one note: a frameless desktop window with its own title bar, two text boxes
// (one in use; until the note is first used, a drawing of its text) and the picture side. It is a
// view: it is built from the note's record and window state and keeps that state current while the
// user moves, resizes and types.
class frmBlocNote : public QWidget {
    Q_OBJECT
public:
    frmBlocNote(NoteWindowSet& set, const NoteContext& ctx, int slot);
    ~frmBlocNote() override;

    // Smallest unrolled size, in twips.
    static constexpr float MinWidth = 950;
    static constexpr float MinHeight = 500;
    // Width of the frame drawn around the note, in logical pixels.
    static constexpr int BorderPx = 1;

    [[nodiscard]] int slot() const { return m_slot; }
    [[nodiscard]] QString Tag() const { return QString::number(m_slot); }
    [[nodiscard]] int TextIndex() const;
    // The text box in use, made when missing.
    [[nodiscard]] QPlainTextEdit* textBox() const;
    // Whether the note still shows the drawing of its text, with no text box made yet.
    [[nodiscard]] bool showsTextDrawing() const { return !m_boxMade; }
    [[nodiscard]] bool pictureSideShown() const { return m_pictureSide; }
    // Position and size stored for the note, in pixels.
    [[nodiscard]] QRect storedGeometry() const;

    // Steps of building from a loaded note: captions, text, colours, font, flags,
    // indicators, title bar, picture, side, display mode, geometry and visibility.
    void buildFromState();
    // The resize layout. `userChange`: the size came from outside (the user's drag), so the
    // note is marked changed.
    void Form_Resize(bool userChange);
    // Window height from the picture's ratio, when the note keeps it.
    void applyKeepRatioHeight();
    [[nodiscard]] float rolledHeight() const;

    void Form_Activate();
    void Form_Deactivate();
    void ActiveLook();
    void InactiveLook();

    void lblActionbarAoTop_Click();
    void lblActionbarRoll_Click();
    void lblActionbarHide_Click();
    void lblToolBarProp_MouseUp(Qt::MouseButton button);
    void fraToolbar_Click();
    void fraToolbar_MouseUp(Qt::MouseButton button);

    // Flashing after an alarm or a received note.
    // The text from elsewhere (an alarm's chosen wallpaper): both boxes show it, unmarked.
    void replaceText(const QString& text);
    void startFlashing();
    void stopFlashing();
    void timFlash_Timer();
    [[nodiscard]] int flashLevel() const { return m_flashLevel; }
    [[nodiscard]] bool isFlashing() const;

    // Refreshers used by the note commands.
    void applyCaption();
    void applyTextLook();
    void applyLockState();
    // The text box of a scroll-bar setting (0 without, 1 with), made on first use.
    QPlainTextEdit* makeTextBox(int index);
    void styleTextBox(QPlainTextEdit* box) const;
    // Frame and scroll bars of a text box for a scroll-bar setting (0 without, 1 with).
    static void shapeTextBox(QPlainTextEdit& box, int index);
    void lockTextBox(QPlainTextEdit* box) const;
    void applyOnTopIndicator();
    void applyRollIndicator();
    void applyTitleBar();
    void applyTextBox();
    // Puts the text into the text box now in use (after the scroll-bar choice changed).
    void switchTextBox();
    void applyDisplayMode();
    void setPictureSide(bool picture);
    // Loads the picture from a full path; an unreadable file leaves the picture empty.
    bool loadPicture(const QString& fullPath);
    void clearPicture();
    [[nodiscard]] QSize pictureSize() const;

    // The text menu: state while open, preparation (lock, links, title), commands.
    [[nodiscard]] bool savedOnTop() const { return m_savedOnTop; }
    [[nodiscard]] bool menuShowing() const { return m_menuShowing; }
    [[nodiscard]] NoteMenus& menus();
    [[nodiscard]] const QString& linkTag() const { return m_linkTag; }
    void prepareNoteMenu();
    void prepareImageMenu();
    // Runs one of the note's Alt shortcuts; false for a letter without one.
    bool runShortcut(QChar letter);

    TitleBar* fraToolbar;
    // Null until made: see makeTextBox.
    std::array<QPlainTextEdit*, 2> txtBlocNote;
    NoteImage* imgImage;
    QTimer* timFlash;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The stored left and top follow the window's place; true when they changed.
    bool followPlace(NoteWindowState& st) const;
    [[nodiscard]] NoteRecord& record() const;
    [[nodiscard]] NoteWindowState& state() const;
    [[nodiscard]] bool animating() const;
    void applyGeometry();
    void raiseGrips();
    void rollUp();
    void rollDown();
    void markChanged(bool contentChanged);
    void notifyHost();
    bool textKeyPress(QPlainTextEdit* box, QKeyEvent* event);
    bool dragEvent(QObject* watched, QEvent* event);
    void runMenu(bool imageMenu);
    void wireMenus();
    void editCommand(int command);
    void text_changed(int index);
    // The drawing of the text: its events, and the text box that takes its place.
    bool drawingEvent(QEvent* event);
    void replaceDrawing(QPlainTextEdit* box);

    NoteWindowSet& m_set;
    const NoteContext& m_ctx;
    int m_slot;
    std::array<ResizeGrip*, 4> m_grips;
    NoteMenus* m_menus = nullptr;
    bool m_pictureSide = false;
    // Where the text boxes go, kept for a box made later.
    QRect m_textArea;
    // Draws the text, as the text box would, until the note is first clicked, focused or its
    // text box is asked for: a text box is most of what a note costs to open, and at start-up
    // most notes are only looked at.
    QWidget* m_drawing = nullptr;
    bool m_boxMade = false;
    bool m_settingText = false;
    int m_flashLevel = 255;
    bool m_savedOnTop = false;
    bool m_menuShowing = false;
    QString m_linkTag;
    // Dragging the note: where the pointer and the window were when the button went down.
    bool m_dragArmed = false;
    QPoint m_dragPointer;
    QPoint m_dragWindow;
};
