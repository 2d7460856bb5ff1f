#include "localisation/translator.h"
#include "notewindow/frmblocnote.h"
#include "notewindow/linkdetection.h"
#include "notewindow/notecommands.h"
#include "notewindow/notehost.h"
#include "notewindow/noteimage.h"
#include "notewindow/notemenus.h"
#include "notewindow/notetextbox.h"
#include "notewindow/notewindowset.h"
#include "notewindow/resizegrip.h"
#include "notewindow/titlebar.h"
#include "platform/colors.h"
#include "platform/programfolder.h"
#include "platform/testing/fakes.h"
#include "platform/textcodec.h"
#include "platform/twips.h"
#include "platform/windowops.h"
#include "store/notestore.h"
#include "store/programstate.h"
#include "store/recordcodec.h"
#include "store/settings.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QFontDialog>
#include <QImage>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QWindow>
#include <memory>

namespace {

class FakeNoteHost final : public NoteHost {
public:
    QList<int> activated, deactivated, hidden, properties, removed, changed;
    int stops = 0;
    int restarts = 0;
    bool visible = false;

    void noteActivated(int slot) override { activated << slot; }
    void noteDeactivated(int slot) override { deactivated << slot; }
    void hideNoteFromList(int slot) override { hidden << slot; }
    void openProperties(int slot) override { properties << slot; }
    void removeNote(int slot) override { removed << slot; }
    void notePropertiesChanged(int slot) override { changed << slot; }
    void stopAutoRefresh() override { ++stops; }
    void restartAutoRefresh() override { ++restarts; }
    [[nodiscard]] bool managerVisible() const override { return visible; }
};

QString writePicture(const QString& path, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    image.save(path, "PNG");
    return path;
}

// One program's worth of note tables, settings and fakes, with the window set over them.
struct Env {
    explicit Env(const QString& programFolder)
        : folder(programFolder)
        , ctx{store, settings, state, folder, messages, tr, dialogs, shell, clock}
        , windows(ctx) {
        windows.setHost(&host);
        windows.measureLayout();
    }

    // Adds a note as the loader does: built with UpdatingLists set, so nothing is marked.
    int add(NoteRecord rec = {}, NoteWindowState st = defaultState()) {
        if (rec.Title.isEmpty()) {
            rec.setTitle(QStringLiteral("Note"));
        }
        const int slot = store.addNote(0, rec, st);
        store.UpdatingLists = true;
        windows.buildNote(slot);
        store.UpdatingLists = false;
        store.Notes[static_cast<size_t>(slot)].ChangeMark = mark::Blank;
        store.DataChanged = false;
        return slot;
    }
    static NoteWindowState defaultState() {
        NoteWindowState st;
        st.Left = 1500;
        st.Top = 1500;
        st.Width = 3000;
        st.Height = 3000;
        st.Text = QStringLiteral("hello");
        return st;
    }
    // A note showing a new picture of w x h pixels in the program folder.
    int addPicture(const QString& name, int w, int h) {
        NoteRecord rec;
        writePicture(folder.file(name), w, h);
        rec.ImagePath = name;
        return add(rec);
    }
    NoteRecord& rec(int slot) { return store.Notes[static_cast<size_t>(slot)]; }
    NoteWindowState& st(int slot) { return store.Windows[static_cast<size_t>(slot)]; }
    frmBlocNote* win(int slot) { return windows.existingWindow(slot); }

    NoteStore store;
    Settings settings;
    ProgramState state;
    ProgramFolder folder;
    FakeMessageSink messages;
    Translator tr;
    FakeDialogs dialogs;
    FakeDesktopShell shell;
    FakeClock clock;
    FakeNoteHost host;
    NoteContext ctx;
    NoteWindowSet windows;
};

void sendMouse(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QMouseEvent event(type, QPointF(local), QPointF(target->mapToGlobal(local)), button, buttons,
                      mods);
    QApplication::sendEvent(target, &event);
}

// A desktop theme with dark backgrounds and light text.
QPalette darkPalette() {
    QPalette p(QColor(45, 45, 48), QColor(30, 30, 30));
    p.setColor(QPalette::Base, QColor(20, 22, 24));
    p.setColor(QPalette::Text, QColor(230, 231, 232));
    p.setColor(QPalette::WindowText, QColor(225, 226, 227));
    p.setColor(QPalette::Button, QColor(50, 51, 52));
    p.setColor(QPalette::ButtonText, QColor(220, 221, 200));
    p.setColor(QPalette::Highlight, QColor(40, 90, 160));
    p.setColor(QPalette::HighlightedText, QColor(250, 250, 240));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(110, 111, 112));
    return p;
}

// Puts the application's palette back when a test ends, passed or not.
struct PaletteGuard {
    QPalette saved = QApplication::palette();
    ~PaletteGuard() { QApplication::setPalette(saved); }
};

// What a selection is found to be a link to.
enum LinkKind { Web = 1, Mail = 2, File = 4, Folder = 8 };

// Drags with the left button from `from` (window coordinates) by `by`.
void dragFrom(QWidget* window, QPoint from, QPoint by) {
    QWidget* target = window->childAt(from);
    QVERIFY(target != nullptr);
    const QPoint local = target->mapFrom(window, from);
    sendMouse(target, QEvent::MouseButtonPress, local, Qt::LeftButton, Qt::LeftButton);
    sendMouse(target, QEvent::MouseMove, local + by, Qt::NoButton, Qt::LeftButton);
    sendMouse(target, QEvent::MouseButtonRelease, local + by, Qt::LeftButton, Qt::NoButton);
}

} // namespace

class TestNoteWindow : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_program;
    QTemporaryDir m_elsewhere;
    std::unique_ptr<Env> m_env;

private slots:
    void initTestCase() {
        QVERIFY(m_program.isValid());
        QVERIFY(m_elsewhere.isValid());
        // "~/" paths must never reach the real home folder.
        qputenv("HOME", m_elsewhere.path().toUtf8());
        QFile file(m_elsewhere.filePath(QStringLiteral("notes.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(QDir(m_elsewhere.path()).mkpath(QStringLiteral("folder")));
    }
    void init() { m_env = std::make_unique<Env>(m_program.path() + QLatin1Char('/')); }
    void cleanup() { m_env.reset(); }

    void buildSetsEveryProperty() {
        Env& e = *m_env;
        writePicture(m_program.filePath(QStringLiteral("pic.png")), 40, 20);
        NoteRecord rec;
        rec.setTitle(QStringLiteral("  Shopping  "));
        rec.ShowScrollBar = true;
        rec.Locked = true;
        rec.ShowTitle = false;
        rec.ImagePath = QStringLiteral("pic.png  ");
        NoteWindowState st = Env::defaultState();
        st.BackColor = 0x00C0FFC0;
        st.ForeColor = 0x000000FF;
        st.FontName = QStringLiteral("Arial");
        st.FontSize = 14;
        st.FontBold = true;
        st.AlwaysOnTop = true;
        st.PictureShown = true;
        st.PictureStretched = true;
        st.Text = QStringLiteral("line one\nline two");
        const int slot = e.add(rec, st);
        frmBlocNote* w = e.win(slot);
        QVERIFY(w);
        QCOMPARE(w->fraToolbar->caption(), QStringLiteral("Shopping"));
        QCOMPARE(w->TextIndex(), 1);
        QCOMPARE(w->txtBlocNote[1]->toPlainText(), st.Text);
        QCOMPARE(w->txtBlocNote[1]->palette().color(QPalette::Base), QColor(0xC0, 0xFF, 0xC0));
        QCOMPARE(w->txtBlocNote[1]->palette().color(QPalette::Text), QColor(0xFF, 0, 0));
        QCOMPARE(w->txtBlocNote[1]->font().pointSizeF(), 14.0);
        QVERIFY(w->txtBlocNote[1]->font().bold());
        QVERIFY(w->fraToolbar->lblToolBarProp->isOn()); // locked: red
        QVERIFY(w->txtBlocNote[1]->isReadOnly());
        QVERIFY(w->fraToolbar->lblActionbarAoTop->isOn());
        QVERIFY(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(w->fraToolbar->isHidden());
        QCOMPARE(e.rec(slot).ImagePath, QStringLiteral("pic.png"));
        QCOMPARE(w->pictureSize(), QSize(40, 20));
        QVERIFY(w->pictureSideShown());
        QVERIFY(w->txtBlocNote[0]->isHidden() && w->txtBlocNote[1]->isHidden());
        QVERIFY(w->imgImage->stretch());
        QCOMPARE(w->geometry(), QRect(100, 100, 200, 200));
        QCOMPARE(e.rec(slot).ChangeMark, mark::Blank);
        QVERIFY(!e.store.DataChanged);
    }

    void pictureSideWithoutPathShowsText() {
        NoteWindowState st = Env::defaultState();
        st.PictureShown = true;
        const int slot = m_env->add({}, st);
        QVERIFY(!m_env->win(slot)->pictureSideShown());
        QVERIFY(m_env->win(slot)->txtBlocNote[0]->isVisible());
    }

    void minimumSizeAndRolledHeight() {
        Env& e = *m_env;
        const int slot = e.add();
        frmBlocNote* w = e.win(slot);
        w->resize(10, 10);
        QTRY_COMPARE(e.st(slot).Width, 950.0F);
        QTRY_COMPARE(e.st(slot).Height, 500.0F);
        QCOMPARE(e.rec(slot).ChangeMark, mark::Modified);

        e.clock.advanceMs(5000);
        w->lblActionbarRoll_Click();
        QVERIFY(e.rec(slot).Rollup);
        QCOMPARE(e.rec(slot).RollHeight, 500.0F);
        const float rolled =
            static_cast<float>(e.windows.ChromeHeight() + e.windows.ToolbarHeight());
        QCOMPARE(e.st(slot).Height, rolled);
        QCOMPARE(w->fraToolbar->lblActionbarRoll->toolTip(), QStringLiteral("Roll down"));
        QVERIFY(w->fraToolbar->lblActionbarRoll->isOn());
        // Dragging the frame of a rolled-up note keeps the rolled height.
        w->resize(300, 300);
        QTRY_COMPARE(e.st(slot).Width, 4500.0F);
        QCOMPARE(e.st(slot).Height, rolled);
        QCOMPARE(w->height(), qRound(rolled / 15));

        e.clock.advanceMs(5000);
        w->lblActionbarRoll_Click();
        QVERIFY(!e.rec(slot).Rollup);
        QCOMPARE(e.st(slot).Height, 500.0F);
    }

    void autoRollGuard() {
        Env& e = *m_env;
        NoteRecord rec;
        rec.AutoRoll = true;
        rec.Rollup = true;
        rec.RollHeight = 3000;
        const int slot = e.add(rec);
        frmBlocNote* w = e.win(slot);
        QVERIFY(e.st(slot).Height < 500);

        // The activating click unrolls; the same double click's roll within 0.3 s is ignored.
        w->ActiveLook();
        QVERIFY(!e.rec(slot).Rollup);
        QCOMPARE(e.st(slot).Height, 3000.0F);
        e.clock.advanceMs(200);
        w->lblActionbarRoll_Click();
        QVERIFY(!e.rec(slot).Rollup);
        e.clock.advanceMs(400);
        w->lblActionbarRoll_Click();
        QVERIFY(e.rec(slot).Rollup);

        // Losing activation rolls an unrolled auto-roll note up and remembers its height,
        // without marking it changed.
        e.clock.advanceMs(1000);
        w->lblActionbarRoll_Click();
        e.rec(slot).ChangeMark = mark::Blank;
        e.st(slot).Height = 2400;
        w->InactiveLook();
        QVERIFY(e.rec(slot).Rollup);
        QCOMPARE(e.rec(slot).RollHeight, 2400.0F);
        QCOMPARE(e.rec(slot).ChangeMark, mark::Blank);

        // Without a title bar there is no automatic roll.
        e.rec(slot).ShowTitle = false;
        w->ActiveLook();
        QVERIFY(e.rec(slot).Rollup);
    }

    void flashingNeverVanishes() {
        const int slot = m_env->add();
        frmBlocNote* w = m_env->win(slot);
        w->startFlashing();
        QVERIFY(w->isFlashing());
        QList<int> levels;
        for (int i = 0; i < 30; ++i) {
            w->timFlash_Timer();
            levels << qRound(w->windowOpacity() * 255);
        }
        QCOMPARE(levels.mid(0, 3), (QList<int>{255, 235, 215}));
        QCOMPARE(*std::min_element(levels.begin(), levels.end()), 15);
        QCOMPARE(*std::max_element(levels.begin(), levels.end()), 255);
        QCOMPARE(levels.at(12), 15);
        QCOMPARE(levels.at(13), 35);
        QCOMPARE(levels.at(24), 255); // one period: 2.4 seconds
        // A click on the title bar ends it opaque; the level carries on next time.
        const int level = w->flashLevel();
        w->fraToolbar_Click();
        QVERIFY(!w->isFlashing());
        QCOMPARE(w->windowOpacity(), 1.0);
        QCOMPARE(w->flashLevel(), level);
    }

    void translucencyLevels() {
        QWidget window;
        QCOMPARE(windowops::SetTranslucency(&window, 128), 0);
        QCOMPARE(qRound(window.windowOpacity() * 255), 128);
        QCOMPARE(windowops::SetTranslucency(&window, 256), 1);
        QCOMPARE(windowops::SetTranslucency(&window, -1), 1);
        QCOMPARE(qRound(window.windowOpacity() * 255), 128);
        QCOMPARE(windowops::ClearTranslucency(&window), 0);
        QCOMPARE(window.windowOpacity(), 1.0);
        QCOMPARE(windowops::SetTranslucency(nullptr, 10), 2);
    }

    void lockedNoteRefusesEditing() {
        Env& e = *m_env;
        NoteRecord rec;
        rec.Locked = true;
        const int slot = e.add(rec);
        QPlainTextEdit* box = e.win(slot)->textBox();
        QApplication::clipboard()->setText(QStringLiteral("pasted"));
        QTest::keyClicks(box, QStringLiteral("abc"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(box->textCursor().selectedText(), QStringLiteral("hello"));
        QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box->toPlainText(), QStringLiteral("hello"));
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("hello"));
        QCOMPARE(e.rec(slot).ChangeMark, mark::Blank);
        QCOMPARE(e.st(slot).Text, QStringLiteral("hello"));
        // The menu offers no editing on a locked note.
        e.win(slot)->prepareNoteMenu();
        NoteMenus& m = e.win(slot)->menus();
        QVERIFY(!m.mnuCut->isEnabled() && !m.mnuPaste->isEnabled() && !m.mnuUndo->isEnabled());
        QVERIFY(m.mnuNoteLocked->isChecked());
        QVERIFY(!m.mnuSendTo->isEnabled() && !m.mnuPrint->isEnabled());
        m.mnuPaste->trigger();
        QCOMPARE(box->toPlainText(), QStringLiteral("hello"));
    }

    void typingMarksContent() {
        Env& e = *m_env;
        const int slot = e.add();
        QPlainTextEdit* box = e.win(slot)->textBox();
        QTest::keyClick(box, Qt::Key_Right); // moves only
        QCOMPARE(e.rec(slot).ChangeMark, mark::Blank);
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(e.rec(slot).ChangeMark, mark::Blank);
        box->moveCursor(QTextCursor::End);
        QTest::keyClicks(box, QStringLiteral(" world"));
        QCOMPARE(e.st(slot).Text, QStringLiteral("hello world"));
        QCOMPARE(e.rec(slot).ChangeMark, mark::ModifiedContent);
        QVERIFY(e.store.DataChanged);
    }

    void altShortcuts() {
        Env& e = *m_env;
        const int slot = e.add();
        QPlainTextEdit* box = e.win(slot)->textBox();
        QTest::keyClick(box, Qt::Key_B, Qt::AltModifier);
        QTest::keyClick(box, Qt::Key_E, Qt::AltModifier);
        QTest::keyClick(box, Qt::Key_L, Qt::AltModifier | Qt::ShiftModifier);
        QTest::keyClick(box, Qt::Key_T, Qt::AltModifier | Qt::ShiftModifier);
        QCOMPARE(box->toPlainText(), QStringLiteral("hello"));
        QVERIFY(!e.rec(slot).Locked);
        QVERIFY(e.rec(slot).ShowTitle);
        QCOMPARE(e.rec(slot).ChangeMark, mark::Blank);
        QVERIFY(e.host.changed.isEmpty());

        QTest::keyClick(box, Qt::Key_L, Qt::AltModifier);
        QVERIFY(e.rec(slot).Locked);
        QVERIFY(box->isReadOnly());
        QCOMPARE(e.rec(slot).ChangeMark, mark::Modified);
        QCOMPARE(e.host.changed, QList<int>{slot});
        QTest::keyClick(box, Qt::Key_L, Qt::AltModifier);
        QVERIFY(!e.rec(slot).Locked);

        e.rec(slot).ChangeMark = mark::Blank;
        QTest::keyClick(box, Qt::Key_R, Qt::AltModifier);
        QVERIFY(e.rec(slot).AutoRoll);
        QCOMPARE(e.rec(slot).ChangeMark, mark::Modified);

        QTest::keyClick(box, Qt::Key_S, Qt::AltModifier);
        QCOMPARE(e.win(slot)->TextIndex(), 1);
        QCOMPARE(e.win(slot)->textBox()->toPlainText(), QStringLiteral("hello"));
        QVERIFY(e.win(slot)->txtBlocNote[0]->isHidden());
        QTest::keyClick(e.win(slot)->textBox(), Qt::Key_P, Qt::AltModifier);
        QCOMPARE(e.host.properties, QList<int>{slot});
    }

    void linkDetection_data() {
        QTest::addColumn<QString>("selection");
        QTest::addColumn<QString>("linkText");
        QTest::addColumn<int>("kinds");
        const auto row = [](const char* name, const QString& selection, int kinds,
                            const QString& linkText = {}) {
            QTest::newRow(name) << selection << (linkText.isNull() ? selection : linkText) << kinds;
        };
        const QString file = m_elsewhere.filePath(QStringLiteral("notes.txt"));
        row("www with break and blanks", QStringLiteral("www.x.org\r\n  "), Web,
            QStringLiteral("www.x.org"));
        row("capitals", QStringLiteral("WWW.X.ORG"), 0);
        row("http", QStringLiteral("http://x.org"), Web);
        row("https", QStringLiteral("https://x.org"), Web);
        row("ftp", QStringLiteral("ftp://x.org"), 0);
        row("mail", QStringLiteral("a@b.c"), Mail);
        row("mail with a dotted name", QStringLiteral("first.last@example.com"), Mail);
        row("mail without dot", QStringLiteral("a@b"), 0);
        row("existing file", file, File);
        row("existing folder", m_elsewhere.filePath(QStringLiteral("folder")), Folder);
        row("missing path", file + QStringLiteral(".gone"), 0);
        row("home file", QStringLiteral("~/notes.txt"), File);
        row("missing drive path", QStringLiteral("Q:\\nothing\\here"), 0);
        row("no selection", QString(), 0);
    }
    void linkDetection() {
        QFETCH(QString, selection);
        QFETCH(int, kinds);
        const DetectedLinks links = detectLinks(selection);
        QTEST(links.linkText, "linkText");
        QCOMPARE(links.web, (kinds & Web) != 0);
        QCOMPARE(links.mail, (kinds & Mail) != 0);
        QCOMPARE(links.file, (kinds & File) != 0);
        QCOMPARE(links.folder, (kinds & Folder) != 0);
    }

    void menuLinksFollowSelection() {
        Env& e = *m_env;
        NoteWindowState st = Env::defaultState();
        const QString folder = m_elsewhere.filePath(QStringLiteral("folder"));
        st.Text = QStringLiteral("see www.x.org\nand ") + folder;
        const int slot = e.add({}, st);
        frmBlocNote* w = e.win(slot);
        NoteMenus& m = w->menus();
        // No selection: no link items, whatever the text holds.
        w->prepareNoteMenu();
        QVERIFY(!m.mnuOpenInInternet->isVisible() && !m.mnuOpenFolder->isVisible());
        QVERIFY(!m.mnufil6->isVisible());

        QTextCursor cursor = w->textBox()->textCursor();
        cursor.setPosition(4);
        cursor.setPosition(14, QTextCursor::KeepAnchor); // "www.x.org\n"
        w->textBox()->setTextCursor(cursor);
        w->prepareNoteMenu();
        QVERIFY(m.mnuOpenInInternet->isVisible() && m.mnufil6->isVisible());
        QCOMPARE(e.state.LinkText, QStringLiteral("www.x.org"));
        m.mnuOpenInInternet->trigger();
        QCOMPARE(e.shell.opened, QStringList{QStringLiteral("www.x.org")});

        cursor.setPosition(18);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        w->textBox()->setTextCursor(cursor);
        w->prepareNoteMenu();
        QVERIFY(!m.mnuOpenInInternet->isVisible());
        QVERIFY(m.mnuOpenFolder->isVisible() && !m.mnuOpenFile->isVisible());
        m.mnuOpenFolder->trigger();
        QCOMPARE(e.shell.opened.last(), folder);
    }

    void textDragMovesOnlyWithTheRightModifier_data() {
        QTest::addColumn<int>("moveNotes");
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<bool>("moves");
        QTest::newRow("option clear, plain drag") << 0 << false << true;
        QTest::newRow("option clear, ctrl drag") << 0 << true << false;
        QTest::newRow("option ticked, plain drag") << 1 << false << false;
        QTest::newRow("option ticked, ctrl drag") << 1 << true << true;
    }
    void textDragMovesOnlyWithTheRightModifier() {
        QFETCH(int, moveNotes);
        QFETCH(bool, ctrl);
        QFETCH(bool, moves);
        Env& e = *m_env;
        e.settings.chkMoveNotes = moveNotes;
        const int slot = e.add();
        QWidget* viewport = e.win(slot)->textBox()->viewport();
        const Qt::KeyboardModifiers mods = ctrl ? Qt::ControlModifier : Qt::NoModifier;
        sendMouse(viewport, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton,
                  mods);
        sendMouse(viewport, QEvent::MouseMove, {30, 25}, Qt::NoButton, Qt::LeftButton, mods);
        sendMouse(viewport, QEvent::MouseButtonRelease, {30, 25}, Qt::LeftButton, Qt::NoButton,
                  mods);
        if (moves) {
            QTRY_COMPARE(e.st(slot).Left, 1500.0F + 20 * 15);
            QCOMPARE(e.st(slot).Top, 1500.0F + 15 * 15);
            QCOMPARE(e.rec(slot).ChangeMark, mark::Modified);
        } else {
            QCOMPARE(e.st(slot).Left, 1500.0F);
            QCOMPARE(e.rec(slot).ChangeMark, mark::Blank);
        }
    }

    void moveAndResizeKeepTheState() {
        Env& e = *m_env;
        const int slot = e.add();
        frmBlocNote* w = e.win(slot);
        w->move(140, 160);
        QTRY_COMPARE(e.st(slot).Left, 2100.0F);
        QCOMPARE(e.st(slot).Top, 2400.0F);
        QCOMPARE(e.rec(slot).ChangeMark, mark::Modified);
        w->resize(300, 220);
        QTRY_COMPARE(e.st(slot).Width, 4500.0F);
        QCOMPARE(e.st(slot).Height, 3300.0F);
        // The title bar spans the note with the action bar at its right end.
        QCOMPARE(w->fraToolbar->width(), 300 - 2 * frmBlocNote::BorderPx);
        QCOMPARE(w->fraToolbar->fraActionbar->geometry().right(), w->fraToolbar->width() - 1);
        QCOMPARE(w->textBox()->width(), 300 - 2 * frmBlocNote::BorderPx);
    }

    void displayModeCycle() {
        Env& e = *m_env;
        const int slot = e.addPicture(QStringLiteral("c.png"), 30, 30);
        auto mode = [&] {
            return NoteWindowState::imageMode(e.st(slot).PictureStretched,
                                              e.rec(slot).ImageKeepRatio);
        };
        QList<int> modes{mode()};
        for (int i = 0; i < 3; ++i) {
            emit e.win(slot)->imgImage->doubleClicked();
            modes << mode();
        }
        QCOMPARE(modes, (QList<int>{0, -1, -2, 0}));
        QCOMPARE(e.host.changed.size(), 3);
        // Keep ratio on an unstretched picture stretches it too.
        e.windows.commands().toggleKeepRatio(slot);
        QCOMPARE(mode(), -2);
    }

    void keepRatioHeight() {
        Env& e = *m_env;
        const int slot = e.addPicture(QStringLiteral("wide.png"), 40, 20);
        // Stretched alone (-1) fills the note as it is: the height stays.
        e.windows.commands().toggleStretch(slot);
        QCOMPARE(e.st(slot).Height, 3000.0F);
        QCOMPARE(e.win(slot)->height(), 200);
        e.windows.commands().toggleKeepRatio(slot);
        const int reserve = e.windows.ToolbarHeight() + e.windows.ChromeHeight();
        const float expected = std::floor(0.5F * (3000.0F - e.windows.ChromeWidth())) + reserve;
        QCOMPARE(e.st(slot).Height, expected);
        QTRY_COMPARE(e.win(slot)->height(), qRound(expected / 15));
        // Hiding the title gives the reserve to the picture.
        e.windows.commands().setShowTitle(slot, false);
        QCOMPARE(e.st(slot).Height, expected - e.windows.ToolbarHeight());

        // An empty picture lays out like a normal note.
        NoteRecord empty;
        empty.ImageKeepRatio = true;
        const int other = e.add(empty);
        QCOMPARE(e.st(other).Height, 3000.0F);
    }

    void picturePathLimit() {
        Env& e = *m_env;
        const int slot = e.add();
        const QString base = m_elsewhere.path() + QLatin1Char('/');
        QVERIFY(base.size() < 50);
        const QString path64 =
            base + QString(60 - base.size(), QLatin1Char('p')) + QStringLiteral(".png");
        const QString path65 =
            base + QString(61 - base.size(), QLatin1Char('p')) + QStringLiteral(".png");
        QCOMPARE(path64.size(), 64);
        writePicture(path64, 10, 10);
        writePicture(path65, 10, 10);
        QVERIFY(!e.windows.commands().setPictureFromFile(slot, path65));
        QCOMPARE(e.messages.count(), 1);
        QCOMPARE(e.messages.shown.at(0).text,
                 QStringLiteral("Sorry, the path for this file is too long (64 char. max)."));
        QCOMPARE(e.messages.shown.at(0).title, QStringLiteral("Path error"));
        QVERIFY(e.rec(slot).ImagePath.isEmpty());
        QCOMPARE(e.rec(slot).ChangeMark, mark::Blank);

        QVERIFY(e.windows.commands().setPictureFromFile(slot, path64));
        QCOMPARE(e.rec(slot).ImagePath, path64);
        QCOMPARE(e.rec(slot).ChangeMark, mark::ModifiedContent);

        // A picture in the program folder is kept as its bare name.
        const QString local = writePicture(m_program.filePath(QStringLiteral("local.png")), 8, 8);
        e.dialogs.files.enqueue(local);
        e.windows.commands().browsePicture(slot, nullptr);
        QCOMPARE(e.rec(slot).ImagePath, QStringLiteral("local.png"));
        QCOMPARE(e.dialogs.titles, QStringList{QStringLiteral("Choose a picture file")});
    }

    void typedPicturePath() {
        Env& e = *m_env;
        NoteRecord rec;
        rec.setTitle(QStringLiteral("Pics"));
        const int slot = e.add(rec);
        e.windows.commands().setTypedPicturePath(slot, QStringLiteral("missing.png"));
        QCOMPARE(e.messages.count(), 1);
        const QString text = e.messages.shown.at(0).text;
        QVERIFY2(text.startsWith(QStringLiteral("Error #  53\r\n")) ||
                     text.startsWith(QStringLiteral("Error # 53\r\n")),
                 qPrintable(text));
        QVERIFY(text.endsWith(QStringLiteral("\r\nUnable to open '") + m_program.path() +
                              QStringLiteral("/missing.png'")));
        QCOMPARE(e.messages.shown.at(0).title,
                 QStringLiteral("Unable to read image on note 'Pics'"));
        QCOMPARE(e.rec(slot).ImagePath, QStringLiteral("missing.png"));
        QVERIFY(e.win(slot)->pictureSize().isEmpty());

        e.windows.commands().setTypedPicturePath(slot, QStringLiteral("  "));
        QVERIFY(e.rec(slot).ImagePath.isEmpty());
        QCOMPARE(e.messages.count(), 1);
    }

    void fontHeightRoundTrip() {
        QCOMPARE(NoteCommands::fontHeightFromPoints(12), 16);
        QCOMPARE(NoteCommands::pointsFromFontHeight(16), 12);
        QCOMPARE(NoteCommands::pointsFromFontHeight(-16), 12);
        QCOMPARE(NoteCommands::fontHeightFromPoints(8), 11);
        QCOMPARE(NoteCommands::pointsFromFontHeight(11), 8);

        Env& e = *m_env;
        const int slot = e.add();
        QFont chosen(QStringLiteral("Courier"));
        chosen.setPointSizeF(12);
        chosen.setItalic(true);
        e.dialogs.fonts.enqueue(chosen);
        QVERIFY(e.windows.commands().chooseFont(slot, nullptr));
        QCOMPARE(e.st(slot).FontName, QStringLiteral("Courier"));
        QCOMPARE(e.st(slot).FontSize, 12.0F);
        QVERIFY(e.st(slot).FontItalic);
        QCOMPARE(e.win(slot)->textBox()->font().pointSizeF(), 12.0);
        QCOMPARE(e.rec(slot).ChangeMark, mark::Modified);

        e.rec(slot).ChangeMark = mark::Blank;
        e.dialogs.fonts.enqueue(std::nullopt);
        QVERIFY(!e.windows.commands().chooseFont(slot, nullptr));
        QCOMPARE(e.st(slot).FontName, QStringLiteral("Courier"));
        QCOMPARE(e.rec(slot).ChangeMark, mark::Blank);
    }

    void colourAndDefaults() {
        Env& e = *m_env;
        const int slot = e.add();
        e.dialogs.colors.enqueue(-1);
        QVERIFY(!e.windows.commands().chooseColor(slot, true, nullptr));
        e.dialogs.colors.enqueue(0x123456);
        QVERIFY(e.windows.commands().chooseColor(slot, true, nullptr));
        QCOMPARE(e.st(slot).BackColor, 0x123456);
        QCOMPARE(e.win(slot)->textBox()->palette().color(QPalette::Base), QColor(0x56, 0x34, 0x12));

        e.rec(slot).AutoRoll = true;
        e.st(slot).PictureStretched = true;
        e.win(slot)->menus().mnuNoteAsDefault->trigger();
        const NoteDefaultsRecord& d = e.settings.NoteDefaults;
        QVERIFY(e.state.SettingsChanged);
        QCOMPARE(d.BackColor, 0x123456);
        QCOMPARE(d.Width, 3000.0F);
        QCOMPARE(d.FontName, QStringLiteral("Arial"));
        QVERIFY(d.AutoRoll);
        QCOMPARE(d.ImageMode, std::int16_t{-1});
    }

    void titleBarAndButtons() {
        Env& e = *m_env;
        const int slot = e.add();
        frmBlocNote* w = e.win(slot);
        w->lblActionbarAoTop_Click();
        QCOMPARE(e.rec(slot).ChangeMark, mark::Modified);
        w->lblActionbarHide_Click();
        QCOMPARE(e.host.hidden, QList<int>{slot});
        w->lblToolBarProp_MouseUp(Qt::RightButton);
        QCOMPARE(e.host.properties, QList<int>{slot});
        // The side switch shows the (empty) picture side, then the text again.
        w->lblToolBarProp_MouseUp(Qt::LeftButton);
        QVERIFY(w->pictureSideShown() && e.st(slot).PictureShown);
        QVERIFY(w->textBox()->isHidden());
        w->lblToolBarProp_MouseUp(Qt::LeftButton);
        QVERIFY(!w->pictureSideShown() && !e.st(slot).PictureShown);
        QVERIFY(w->textBox()->isVisible());
        QCOMPARE(w->fraToolbar->caption(), QStringLiteral("Note"));
        e.windows.commands().setTitle(slot, QStringLiteral("   "));
        QCOMPARE(w->fraToolbar->caption(), QStringLiteral("Note"));
        e.windows.commands().setTitle(slot, QStringLiteral("Renamed "));
        QCOMPARE(w->fraToolbar->caption(), QStringLiteral("Renamed"));
    }

    void resizeBand_data() {
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<bool>("widthOnly");
        QTest::addColumn<int>("edges");
        QTest::addColumn<int>("cursor");
        // A window of 200 x 100 pixels.
        const int l = Qt::LeftEdge;
        const int r = Qt::RightEdge;
        const int t = Qt::TopEdge;
        const int b = Qt::BottomEdge;
        QTest::newRow("middle") << QPoint(100, 50) << false << 0 << int(Qt::ArrowCursor);
        QTest::newRow("left edge") << QPoint(0, 50) << false << l << int(Qt::SizeHorCursor);
        QTest::newRow("inside the band") << QPoint(2, 50) << false << l << int(Qt::SizeHorCursor);
        QTest::newRow("past the band") << QPoint(3, 50) << false << 0 << int(Qt::ArrowCursor);
        QTest::newRow("right edge") << QPoint(199, 50) << false << r << int(Qt::SizeHorCursor);
        QTest::newRow("top edge") << QPoint(100, 0) << false << t << int(Qt::SizeVerCursor);
        QTest::newRow("bottom edge") << QPoint(100, 99) << false << b << int(Qt::SizeVerCursor);
        QTest::newRow("top-left") << QPoint(0, 0) << false << (l | t) << int(Qt::SizeFDiagCursor);
        QTest::newRow("corner along the top")
            << QPoint(8, 1) << false << (l | t) << int(Qt::SizeFDiagCursor);
        QTest::newRow("top-right")
            << QPoint(199, 0) << false << (r | t) << int(Qt::SizeBDiagCursor);
        QTest::newRow("bottom-left")
            << QPoint(0, 99) << false << (l | b) << int(Qt::SizeBDiagCursor);
        QTest::newRow("bottom-right")
            << QPoint(199, 99) << false << (r | b) << int(Qt::SizeFDiagCursor);
        QTest::newRow("rolled, top edge") << QPoint(100, 0) << true << 0 << int(Qt::ArrowCursor);
        QTest::newRow("rolled, corner") << QPoint(0, 0) << true << l << int(Qt::SizeHorCursor);
        QTest::newRow("outside") << QPoint(-1, 50) << false << 0 << int(Qt::ArrowCursor);
    }
    void resizeBand() {
        QFETCH(QPoint, pos);
        QFETCH(bool, widthOnly);
        const Qt::Edges edges = resizeband::edgesAt(QSize(200, 100), pos, widthOnly);
        QTEST(static_cast<int>(edges.toInt()), "edges");
        QTEST(int(resizeband::cursorFor(edges)), "cursor");
    }

    void resizeDragFollowsThePointer() {
        Env& e = *m_env;
        const int slot = e.add();
        frmBlocNote* w = e.win(slot);
        QCOMPARE(w->geometry(), QRect(100, 100, 200, 200));
        // The band lies over the edges only: the text and the title bar keep their cursors.
        QVERIFY(qobject_cast<ResizeGrip*>(w->childAt(199, 100)));
        QVERIFY(qobject_cast<ResizeGrip*>(w->childAt(0, 0)));
        QVERIFY(!qobject_cast<ResizeGrip*>(w->childAt(100, 100)));
        QVERIFY(!qobject_cast<ResizeGrip*>(w->childAt(100, 8)));
        QWidget* corner = w->childAt(199, 199);
        sendMouse(corner, QEvent::MouseMove, corner->mapFrom(w, QPoint(199, 199)), Qt::NoButton,
                  Qt::NoButton);
        QCOMPARE(corner->cursor().shape(), Qt::SizeFDiagCursor);

        // The offscreen platform cannot resize: the note follows the drag itself.
        dragFrom(w, {199, 199}, {50, 30});
        QCOMPARE(w->geometry(), QRect(100, 100, 250, 230));
        QCOMPARE(e.st(slot).Width, 3750.0F);
        QCOMPARE(e.st(slot).Height, 3450.0F);
        QCOMPARE(e.rec(slot).ChangeMark, mark::Modified);

        // The left edge stops at the smallest width; the right edge stays where it was.
        dragFrom(w, {0, 100}, {400, 0});
        QCOMPARE(w->width(), twips::toPx(frmBlocNote::MinWidth));
        QCOMPARE(w->geometry().right(), 349);
        QCOMPARE(e.st(slot).Width, frmBlocNote::MinWidth);
        QCOMPARE(e.st(slot).Left, twips::fromPx(w->x()));

        // A rolled-up note changes only its width.
        e.clock.advanceMs(5000);
        w->lblActionbarRoll_Click();
        const int rolled = w->height();
        QVERIFY(!qobject_cast<ResizeGrip*>(w->childAt(w->width() / 2, 0)));
        dragFrom(w, {w->width() - 1, rolled - 1}, {20, 40});
        QCOMPARE(w->width(), twips::toPx(frmBlocNote::MinWidth) + 20);
        QCOMPARE(w->height(), rolled);
    }

    void onTopToggleKeepsTheWindow() {
        Env& e = *m_env;
        NoteRecord rec;
        rec.AutoRoll = true;
        const int slot = e.add(rec);
        frmBlocNote* w = e.win(slot);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        const WId id = w->winId();
        for (const bool onTop : {true, false}) {
            w->lblActionbarAoTop_Click();
            QCoreApplication::processEvents();
            QCOMPARE(e.st(slot).AlwaysOnTop, onTop);
            QCOMPARE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTop);
            // The platform window keeps the state for the next show.
            QCOMPARE(w->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), onTop);
            QCOMPARE(w->winId(), id);
            QVERIFY(w->isVisible());
            QVERIFY(w->isActiveWindow());
            QVERIFY(!e.rec(slot).Rollup);
        }
    }

    void animationKeepsTheStoredGeometry() {
        Env& e = *m_env;
        const int slot = e.add();
        frmBlocNote* w = e.win(slot);
        const QRect stored(100, 100, 200, 200);
        for (int i = 0; i < 3; ++i) {
            e.windows.hideNote(slot, true);
            QTRY_VERIFY(!windowops::isAnimating(w));
            QVERIFY(w->isHidden());
            e.windows.showNote(slot, true);
            // It grows from its centre.
            QVERIFY(w->width() < stored.width());
            QCOMPARE(w->geometry().center(), stored.center());
            QTRY_VERIFY(!windowops::isAnimating(w));
            QVERIFY(w->isVisible());
            QCOMPARE(w->geometry(), stored);
        }
        // Shown again while it is still shrinking: it ends shown, at its place.
        e.windows.hideNote(slot, true);
        e.windows.showNote(slot, true);
        QTRY_VERIFY(!windowops::isAnimating(w));
        QVERIFY(w->isVisible());
        QCOMPARE(w->geometry(), stored);
        QCOMPARE(e.st(slot).Left, 1500.0F);
        QCOMPARE(e.st(slot).Top, 1500.0F);
        QCOMPARE(e.st(slot).Width, 3000.0F);
        QCOMPARE(e.st(slot).Height, 3000.0F);
        QCOMPARE(e.rec(slot).ChangeMark, mark::Blank);
    }

    void storedColours_data() {
        QTest::addColumn<qint32>("stored");
        QTest::addColumn<QColor>("expected");
        const QPalette dark = darkPalette();
        QTest::newRow("red in the low byte") << qint32{0x0000FF} << QColor(255, 0, 0);
        QTest::newRow("rgb") << qint32{0x123456} << QColor(0x56, 0x34, 0x12);
        QTest::newRow("window background")
            << colors::systemColor(colors::WindowBackground) << dark.color(QPalette::Base);
        QTest::newRow("window text")
            << colors::systemColor(colors::WindowText) << dark.color(QPalette::Text);
        QTest::newRow("button face")
            << colors::systemColor(colors::ButtonFace) << dark.color(QPalette::Button);
        QTest::newRow("button text as stored")
            << qint32{-2147483630} << dark.color(QPalette::ButtonText);
        QTest::newRow("highlight")
            << colors::systemColor(colors::Highlight) << dark.color(QPalette::Highlight);
        QTest::newRow("highlight text")
            << colors::systemColor(colors::HighlightText) << dark.color(QPalette::HighlightedText);
        QTest::newRow("grey text") << colors::systemColor(colors::GrayText)
                                   << dark.color(QPalette::Disabled, QPalette::Text);
        QTest::newRow("unknown index")
            << static_cast<qint32>(0x800000FFU) << dark.color(QPalette::WindowText);
    }
    void storedColours() {
        QFETCH(qint32, stored);
        QTEST(colors::screenColor(stored, darkPalette()), "expected");
    }

    void noteFollowsTheDesktopTheme() {
        const PaletteGuard guard;
        NoteWindowState st = Env::defaultState();
        st.BackColor = colors::systemColor(colors::WindowBackground);
        st.ForeColor = -2147483630;
        const int slot = m_env->add({}, st);
        // A dark theme chosen while the note is open.
        QApplication::setPalette(darkPalette());
        QPlainTextEdit* box = m_env->win(slot)->textBox();
        QTRY_COMPARE(box->palette().color(QPalette::Base), darkPalette().color(QPalette::Base));
        QCOMPARE(box->palette().color(QPalette::Text), darkPalette().color(QPalette::ButtonText));
    }

    void fontDialogOkWithoutChange() {
        if (!QFontDatabase::hasFamily(QStringLiteral("DejaVu Sans"))) {
            QSKIP("needs the DejaVu Sans font");
        }
        Env& e = *m_env;
        NoteWindowState st = Env::defaultState();
        st.FontName = QStringLiteral("DejaVu Sans");
        st.FontSize = 10;
        st.FontUnderline = true;
        const int slot = e.add({}, st);
        const QFont initial = NoteCommands::dialogFont(e.st(slot));
        QCOMPARE(initial.family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(initial.pointSizeF(), 10.0);
        QVERIFY(!initial.bold() && !initial.italic() && initial.underline());
        // What the font dialog gives back on OK when nothing was chosen.
        QFontDialog dialog;
        dialog.setCurrentFont(initial);
        const QFont unchanged = dialog.currentFont();
        QVERIFY2(!unchanged.italic(), qPrintable(unchanged.styleName()));
        e.dialogs.fonts.enqueue(unchanged);
        QVERIFY(e.windows.commands().chooseFont(slot, nullptr));
        QVERIFY(!e.st(slot).FontItalic && !e.st(slot).FontBold && e.st(slot).FontUnderline);
        QCOMPARE(e.rec(slot).ChangeMark, mark::Blank);
        QVERIFY(!e.store.DataChanged);
    }

    void titleBarTooltipsOnAnInactiveNote() {
        const int slot = m_env->add();
        frmBlocNote* w = m_env->win(slot);
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QVERIFY(!w->isActiveWindow());
        ActionLabel* label = w->fraToolbar->lblActionbarAoTop;
        QTest::mouseMove(label, label->rect().center());
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("Always on top"));
        QToolTip::hideText();
    }

    void textStopsAtTheFieldsBytes_data() {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<int>("count");
        QTest::newRow("Greek") << QStringLiteral("\u03B1") << 20000;
        QTest::newRow("Japanese") << QStringLiteral("\u65E5") << 10901;
        QTest::newRow("Western") << QStringLiteral("\u00E9") << 40000;
        QTest::newRow("Greek lines") << QStringLiteral("\u03B1\u03B2\n") << 6000;
    }
    void textStopsAtTheFieldsBytes() {
        QFETCH(QString, unit);
        QFETCH(int, count);
        Env& e = *m_env;
        NoteWindowState st = Env::defaultState();
        st.Text.clear();
        const int slot = e.add({}, st);
        auto* box = qobject_cast<NoteTextBox*>(e.win(slot)->textBox());
        QVERIFY(box != nullptr);
        QSignalSpy full(box, &NoteTextBox::limitReached);
        QApplication::clipboard()->setText(unit.repeated(count));
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        const QString text = e.st(slot).Text;
        QCOMPARE(full.count(), 1);
        QVERIFY(unit.repeated(count).startsWith(text));
        QVERIFY(fieldlimit::storedBytes(text) <= NoteTextBox::MaxBytes);
        QVERIFY(fieldlimit::storedBytes(text) > NoteTextBox::MaxBytes - 4);
        if (unit.size() == 1) {
            // Typing at the limit is refused as well.
            QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, unit);
            QApplication::sendEvent(box, &key);
            QCOMPARE(e.st(slot).Text, text);
            QCOMPARE(full.count(), 2);
        }
        // The saved record reads back whole.
        const auto decoded = recordcodec::decode(recordcodec::encode(e.rec(slot), e.st(slot), 1));
        QVERIFY(decoded);
        QCOMPARE(decoded->window.Text, text);
    }

    void typingUpToTheLimit() {
        Env& e = *m_env;
        NoteWindowState st = Env::defaultState();
        st.Text = QString(NoteTextBox::MaxBytes - 3, QLatin1Char('a'));
        const int slot = e.add({}, st);
        QPlainTextEdit* box = e.win(slot)->textBox();
        QSignalSpy full(qobject_cast<NoteTextBox*>(box), &NoteTextBox::limitReached);
        box->moveCursor(QTextCursor::End);
        QTest::keyClicks(box, QStringLiteral("bc"));
        QCOMPARE(full.count(), 0);
        // A line break takes two bytes: only one is left.
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(full.count(), 1);
        QTest::keyClicks(box, QStringLiteral("de"));
        QCOMPARE(full.count(), 2);
        QCOMPARE(e.st(slot).Text.right(4), QStringLiteral("abcd"));
        QCOMPARE(fieldlimit::storedBytes(e.st(slot).Text), NoteTextBox::MaxBytes);
        // A selection typed over frees its bytes.
        box->moveCursor(QTextCursor::Start);
        box->moveCursor(QTextCursor::Right, QTextCursor::KeepAnchor);
        QTest::keyClick(box, Qt::Key_X);
        QCOMPARE(full.count(), 2);
        QVERIFY(e.st(slot).Text.startsWith(QLatin1Char('x')));
    }

    void fileDialogPutsBackOnlyWhatWasOnTop_data() {
        QTest::addColumn<bool>("managerOnTop");
        QTest::newRow("manager below") << false;
        QTest::newRow("manager on top") << true;
    }
    void fileDialogPutsBackOnlyWhatWasOnTop() {
        QFETCH(bool, managerOnTop);
        Env& e = *m_env;
        QWidget manager;
        manager.show();
        windowops::SetTopmost(&manager, managerOnTop ? -1 : 0);
        e.windows.setManagerWindow(&manager);
        NoteWindowState onTop = Env::defaultState();
        onTop.AlwaysOnTop = true;
        const int above = e.add({}, onTop);
        const int below = e.add();
        for (int round = 0; round < 2; ++round) {
            e.windows.RemoveAlwaysOnTop(&manager);
            QVERIFY(!windowops::isTopmost(e.win(above)));
            QVERIFY(!windowops::isTopmost(&manager));
            QVERIFY(e.st(above).AlwaysOnTop);
            e.windows.ResetAlwaysOnTop(&manager);
            QVERIFY(windowops::isTopmost(e.win(above)));
            QVERIFY(!windowops::isTopmost(e.win(below)));
            QCOMPARE(windowops::isTopmost(&manager), managerOnTop);
        }
        // The picture dialog, cancelled.
        e.windows.commands().browsePicture(below, nullptr);
        QVERIFY(windowops::isTopmost(e.win(above)));
        QVERIFY(!windowops::isTopmost(e.win(below)));
        QCOMPARE(windowops::isTopmost(&manager), managerOnTop);
        e.windows.setManagerWindow(nullptr);
    }
};

QTEST_MAIN(TestNoteWindow)
#include "tst_notewindow.moc"
