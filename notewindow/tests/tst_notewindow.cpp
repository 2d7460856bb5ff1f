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
#include "platform/testing/testmain.h"
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
#include <QWindow>
#include <memory>

namespace {

struct FakeNoteHost final : NoteHost {
    QList<int> hidden, properties, changed;
    void noteActivated(int) override {}
    void noteDeactivated(int) override {}
    void hideNoteFromList(int slot) override { hidden << slot; }
    void openProperties(int slot) override { properties << slot; }
    void removeNote(int) override {}
    void notePropertiesChanged(int slot) override { changed << slot; }
    void stopAutoRefresh() override {}
    void restartAutoRefresh() override {}
    [[nodiscard]] bool managerVisible() const override { return false; }
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
        st.Left = st.Top = 1500;
        st.Width = st.Height = 3000;
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

// Puts the application's palette back when a test ends, passed or not.
struct PaletteGuard {
    QPalette saved = QApplication::palette();
    ~PaletteGuard() { QApplication::setPalette(saved); }
};

// What a selection is found to be a link to.
enum LinkKind { Web = 1, Mail = 2, File = 4, Folder = 8 };

// Drags with the left button from `from` (window coordinates) by `by`.
void dragFrom(QWidget* window, QPoint from, QPoint by, Qt::KeyboardModifiers mods = {}) {
    QWidget* target = window->childAt(from);
    QVERIFY(target != nullptr);
    const QPoint at = target->mapFrom(window, from);
    const auto send = [&](QEvent::Type type, QPoint local, Qt::MouseButton button,
                          Qt::MouseButtons buttons) {
        QMouseEvent event(type, QPointF(local), QPointF(target->mapToGlobal(local)), button,
                          buttons, mods);
        QApplication::sendEvent(target, &event);
    };
    send(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, at + by, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, at + by, Qt::LeftButton, Qt::NoButton);
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
        QVERIFY(m_program.isValid() && m_elsewhere.isValid());
        // "~/" paths must never reach the real home folder.
        qputenv("HOME", m_elsewhere.path().toUtf8());
        QVERIFY(
            QFile(m_elsewhere.filePath(QStringLiteral("notes.txt"))).open(QIODevice::WriteOnly));
        QVERIFY(QDir(m_elsewhere.path()).mkpath(QStringLiteral("folder")));
    }
    void init() { m_env = std::make_unique<Env>(m_program.path() + QLatin1Char('/')); }
    void cleanup() { m_env.reset(); }

    void buildSetsEveryProperty() {
        Env& e = *m_env;
        writePicture(m_program.filePath(QStringLiteral("pic.png")), 40, 20);
        NoteRecord rec;
        rec.setTitle(QStringLiteral("  Shopping  "));
        rec.Locked = true;
        rec.ShowTitle = false;
        rec.ImagePath = QStringLiteral("pic.png  ");
        NoteWindowState st = Env::defaultState();
        st.BackColor = 0x00C0FFC0;
        st.ForeColor = 0x000000FF; // red lives in the low byte
        st.AlwaysOnTop = true;
        st.PictureShown = true;
        st.PictureStretched = true;
        const int slot = e.add(rec, st);
        frmBlocNote* w = e.win(slot);
        QCOMPARE(w->fraToolbar->caption(), QStringLiteral("Shopping"));
        QPlainTextEdit* box = w->textBox();
        QCOMPARE(box->palette().color(QPalette::Base), QColor(0xC0, 0xFF, 0xC0));
        QCOMPARE(box->palette().color(QPalette::Text), QColor(0xFF, 0, 0));
        QVERIFY(box->isReadOnly() && w->fraToolbar->isHidden() &&
                w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QCOMPARE(e.rec(slot).ImagePath, QStringLiteral("pic.png"));
        QCOMPARE(w->pictureSize(), QSize(40, 20));
        QVERIFY(w->pictureSideShown() && w->imgImage->stretch() && box->isHidden());
        // The title bar's tooltips teach its buttons also while another window has the focus.
        QVERIFY(w->testAttribute(Qt::WA_AlwaysShowToolTips) &&
                w->fraToolbar->testAttribute(Qt::WA_AlwaysShowToolTips));

        // The picture side without a picture shows the text instead.
        const int bare = e.add({}, st);
        QVERIFY(!e.win(bare)->pictureSideShown() && e.win(bare)->textBox()->isVisible());

        // The box of the other scroll-bar setting, made when first shown, looks the same and
        // sits where the first one did.
        e.windows.commands().showText(slot);
        box = w->textBox();
        e.windows.commands().setShowScrollBar(slot, !e.rec(slot).ShowScrollBar);
        QPlainTextEdit* scrolled = w->textBox();
        QVERIFY(scrolled != box && scrolled->isVisible() && box->isHidden());
        QCOMPARE(scrolled->palette().color(QPalette::Base), QColor(0xC0, 0xFF, 0xC0));
        QCOMPARE(scrolled->geometry(), box->geometry());
        QVERIFY(scrolled->isReadOnly());
        QCOMPARE(scrolled->toPlainText(), e.st(slot).Text);
    }

    void textIsDrawnUntilFirstUsed() {
        Env& e = *m_env;
        e.settings.chkMoveNotes = 1; // a plain drag in the text selects
        NoteWindowState st = Env::defaultState();
        st.FontBold = true;
        st.BackColor = 0x00C0FFC0;
        st.Visible = true;
        const QString text = QStringLiteral("first line\nsecond line, long enough to wrap once");
        const int slot = e.add({}, st);
        frmBlocNote* w = e.win(slot);
        QVERIFY(w->showsTextDrawing() && w->findChildren<QPlainTextEdit*>().isEmpty());
        // A text and a look set from elsewhere are drawn, and the box made later looks exactly
        // the same.
        e.windows.setNoteText(slot, text);
        e.st(slot).FontItalic = true;
        w->applyTextLook();
        const QImage drawn = w->grab().toImage();
        QCOMPARE(w->textBox()->toPlainText(), text);
        QVERIFY(!w->showsTextDrawing());
        QCOMPARE(w->grab().toImage(), drawn);
        QCOMPARE(e.rec(slot).ChangeMark, mark::Blank);

        // A press on the drawing makes the box, which takes the whole gesture: a drag from the
        // press selects, and typing replaces the selection.
        const int other = e.add({}, st);
        e.windows.setNoteText(other, text);
        auto* drawing = e.win(other)->findChild<QWidget*>(QStringLiteral("txtDrawing"));
        QVERIFY(drawing != nullptr && drawing->isVisible());
        QTextCursor at(w->textBox()->document());
        const auto pointAt = [&](int position) {
            at.setPosition(position);
            return w->textBox()->cursorRect(at).center();
        };
        const auto send = [&](QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
            QMouseEvent event(type, QPointF(local), QPointF(drawing->mapToGlobal(local)),
                              Qt::LeftButton, buttons, Qt::NoModifier);
            QApplication::sendEvent(drawing, &event);
        };
        send(QEvent::MouseButtonPress, pointAt(11), Qt::LeftButton);
        send(QEvent::MouseMove, pointAt(17), Qt::LeftButton);
        send(QEvent::MouseButtonRelease, pointAt(17), Qt::NoButton);
        QPlainTextEdit* box = e.win(other)->textBox();
        QVERIFY(drawing->isHidden() && box->isVisible());
        QCOMPARE(box->textCursor().selectedText(), QStringLiteral("second"));
        QTest::keyClicks(box, QStringLiteral("2nd"));
        QCOMPARE(e.st(other).Text,
                 QStringLiteral("first line\n2nd line, long enough to wrap once"));
        QCOMPARE(e.rec(other).ChangeMark, mark::ModifiedContent);

        // The keyboard focus reaching a drawn note gives it its box.
        const int third = e.add({}, st);
        e.win(third)->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(e.win(third)));
        QTRY_VERIFY(!e.win(third)->showsTextDrawing());
        QVERIFY(e.win(third)->textBox()->hasFocus());
    }

    void autoRollGuard() {
        Env& e = *m_env;
        NoteRecord rec;
        rec.AutoRoll = true;
        rec.Rollup = true;
        rec.RollHeight = 3000;
        const int slot = e.add(rec);
        frmBlocNote* w = e.win(slot);
        // The activating click unrolls; the same double click's roll within 0.3 s is ignored.
        w->ActiveLook();
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
        frmBlocNote* w = m_env->win(m_env->add());
        w->startFlashing();
        int lowest = 255;
        for (int i = 0; i < 24; ++i) {
            w->timFlash_Timer();
            lowest = qMin(lowest, qRound(w->windowOpacity() * 255));
        }
        QCOMPARE(lowest, 15);
        w->timFlash_Timer(); // one period: 2.4 seconds
        QCOMPARE(w->windowOpacity(), 1.0);
        // A click on the title bar ends it opaque.
        w->fraToolbar_Click();
        QCOMPARE(w->windowOpacity(), 1.0);
        // A level out of range is refused and leaves the window as it was.
        QCOMPARE(windowops::SetTranslucency(w, -1), 1);
        QCOMPARE(w->windowOpacity(), 1.0);
    }

    // Alt keys toggle what they name and mark the note; a locked note refuses every edit.
    void keysAndLocking() {
        Env& e = *m_env;
        const int slot = e.add();
        QPlainTextEdit* box = e.win(slot)->textBox();
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_L, Qt::AltModifier | Qt::ShiftModifier);
        QVERIFY(!e.rec(slot).Locked);
        QCOMPARE(e.rec(slot).ChangeMark, mark::Blank);

        QTest::keyClick(box, Qt::Key_R, Qt::AltModifier);
        QVERIFY(e.rec(slot).AutoRoll);
        QCOMPARE(e.rec(slot).ChangeMark, mark::Modified);
        QTest::keyClick(box, Qt::Key_L, Qt::AltModifier);
        QVERIFY(e.rec(slot).Locked && box->isReadOnly());
        QCOMPARE(e.host.changed, (QList<int>{slot, slot}));

        QApplication::clipboard()->setText(QStringLiteral("pasted"));
        QTest::keyClicks(box, QStringLiteral("abc"));
        for (const Qt::Key key : {Qt::Key_Backspace, Qt::Key_Return, Qt::Key_Delete}) {
            QTest::keyClick(box, key);
        }
        for (const Qt::Key key : {Qt::Key_V, Qt::Key_A, Qt::Key_X, Qt::Key_Z, Qt::Key_C}) {
            QTest::keyClick(box, key, Qt::ControlModifier);
        }
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("hello")); // copy still works
        e.win(slot)->prepareNoteMenu();
        NoteMenus& m = e.win(slot)->menus();
        QVERIFY(!m.mnuCut->isEnabled() && !m.mnuPaste->isEnabled() && !m.mnuUndo->isEnabled());
        QVERIFY(!m.mnuSendTo->isEnabled() && m.mnuNoteLocked->isChecked());
        m.mnuPaste->trigger();
        QCOMPARE(box->toPlainText(), QStringLiteral("hello"));

        QTest::keyClick(box, Qt::Key_L, Qt::AltModifier);
        box->moveCursor(QTextCursor::End);
        QTest::keyClicks(box, QStringLiteral(" world"));
        QCOMPARE(e.st(slot).Text, QStringLiteral("hello world"));
        QCOMPARE(e.rec(slot).ChangeMark, mark::ModifiedContent);
        QVERIFY(e.store.DataChanged);
        // The box with a scroll bar takes over the text.
        QTest::keyClick(box, Qt::Key_S, Qt::AltModifier);
        QCOMPARE(e.win(slot)->TextIndex(), 1);
        QCOMPARE(e.win(slot)->textBox()->toPlainText(), QStringLiteral("hello world"));
    }

    void linkDetection_data() {
        QTest::addColumn<QString>("selection");
        QTest::addColumn<QString>("linkText");
        QTest::addColumn<int>("kinds");
        const auto row = [](const char* name, const QString& selection, int kinds) {
            QTest::newRow(name) << selection << selection.trimmed() << kinds;
        };
        const QString file = m_elsewhere.filePath(QStringLiteral("notes.txt"));
        row("www with break and blanks", QStringLiteral("www.x.org\r\n  "), Web);
        row("capitals", QStringLiteral("WWW.X.ORG"), 0);
        row("http", QStringLiteral("http://x.org"), Web);
        row("mail with a dotted name", QStringLiteral("first.last@example.com"), Mail);
        row("mail without dot", QStringLiteral("a@b"), 0);
        row("existing file", file, File);
        row("existing folder", m_elsewhere.filePath(QStringLiteral("folder")), Folder);
        row("missing path", file + QStringLiteral(".gone"), 0);
        row("home file", QStringLiteral("~/notes.txt"), File);
        row("no selection", QString(), 0);
    }
    void linkDetection() {
        QFETCH(QString, selection);
        const DetectedLinks links = detectLinks(selection);
        QTEST(links.linkText, "linkText");
        QTEST((links.web ? Web : 0) | (links.mail ? Mail : 0) | (links.file ? File : 0) |
                  (links.folder ? Folder : 0),
              "kinds");
    }

    void menuLinksFollowSelection() {
        Env& e = *m_env;
        NoteWindowState st = Env::defaultState();
        st.Text = QStringLiteral("see www.x.org\nand more");
        frmBlocNote* w = e.win(e.add({}, st));
        NoteMenus& m = w->menus();
        // No selection: no link items, whatever the text holds.
        w->prepareNoteMenu();
        QVERIFY(!m.mnuOpenInInternet->isVisible() && !m.mnufil6->isVisible());
        QTextCursor cursor = w->textBox()->textCursor();
        cursor.setPosition(4);
        cursor.setPosition(14, QTextCursor::KeepAnchor); // "www.x.org\n"
        w->textBox()->setTextCursor(cursor);
        w->prepareNoteMenu();
        QVERIFY(m.mnuOpenInInternet->isVisible() && !m.mnuOpenFolder->isVisible());
        m.mnuOpenInInternet->trigger();
        QCOMPARE(e.shell.opened, QStringList{QStringLiteral("www.x.org")});
    }

    void textDragMovesOnlyWithTheRightModifier_data() {
        QTest::addColumn<int>("moveNotes");
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<bool>("moves");
        QTest::newRow("option clear, plain drag") << 0 << false << true;
        QTest::newRow("option ticked, plain drag") << 1 << false << false;
        QTest::newRow("option ticked, ctrl drag") << 1 << true << true;
    }
    void textDragMovesOnlyWithTheRightModifier() {
        QFETCH(bool, ctrl);
        QFETCH(bool, moves);
        Env& e = *m_env;
        QFETCH(int, moveNotes);
        e.settings.chkMoveNotes = moveNotes;
        const int slot = e.add();
        dragFrom(e.win(slot), {50, 50}, {20, 15}, ctrl ? Qt::ControlModifier : Qt::NoModifier);
        QTRY_COMPARE(e.st(slot).Left, 1500.0F + (moves ? 20 * 15 : 0));
        QCOMPARE(e.st(slot).Top, 1500.0F + (moves ? 15 * 15 : 0));
        QCOMPARE(e.rec(slot).ChangeMark, moves ? mark::Modified : mark::Blank);
    }

    void pictureModes() {
        Env& e = *m_env;
        const int cycled = e.addPicture(QStringLiteral("c.png"), 30, 30);
        auto mode = [&] {
            return NoteWindowState::imageMode(e.st(cycled).PictureStretched,
                                              e.rec(cycled).ImageKeepRatio);
        };
        QList<int> modes{mode()};
        for (int i = 0; i < 3; ++i) {
            emit e.win(cycled)->imgImage->doubleClicked();
            modes << mode();
        }
        QCOMPARE(modes, (QList<int>{0, -1, -2, 0}));
        // Keep ratio on an unstretched picture stretches it too.
        e.windows.commands().toggleKeepRatio(cycled);
        QCOMPARE(mode(), -2);

        const int slot = e.addPicture(QStringLiteral("wide.png"), 40, 20);
        // Stretched alone (-1) fills the note as it is: the height stays.
        e.windows.commands().toggleStretch(slot);
        QCOMPARE(e.st(slot).Height, 3000.0F);
        e.windows.commands().toggleKeepRatio(slot);
        const float expected = std::floor(0.5F * (3000.0F - e.windows.ChromeWidth())) +
                               e.windows.ToolbarHeight() + e.windows.ChromeHeight();
        QCOMPARE(e.st(slot).Height, expected);
        QTRY_COMPARE(e.win(slot)->height(), qRound(expected / 15));
        // Hiding the title gives the reserve to the picture.
        e.windows.commands().setShowTitle(slot, false);
        QCOMPARE(e.st(slot).Height, expected - e.windows.ToolbarHeight());
        // An empty picture lays out like a normal note.
        NoteRecord empty;
        empty.ImageKeepRatio = true;
        QCOMPARE(e.st(e.add(empty)).Height, 3000.0F);
    }

    void picturePaths() {
        Env& e = *m_env;
        NoteRecord rec;
        rec.setTitle(QStringLiteral("Pics"));
        const int slot = e.add(rec);
        const QString base = m_elsewhere.path() + QLatin1Char('/');
        const auto path = [&](int n) {
            return base + QString(n - 4 - base.size(), u'p') + QStringLiteral(".png");
        };
        const QString path64 = path(64);
        const QString path65 = path(65);
        QCOMPARE(path64.size(), 64);
        writePicture(path64, 10, 10);
        QVERIFY(!e.windows.commands().setPictureFromFile(slot, writePicture(path65, 10, 10)));
        QCOMPARE(e.messages.count(), 1);
        QVERIFY(e.rec(slot).ImagePath.isEmpty());
        QCOMPARE(e.rec(slot).ChangeMark, mark::Blank);
        QVERIFY(e.windows.commands().setPictureFromFile(slot, path64));
        QCOMPARE(e.rec(slot).ImagePath, path64);
        QCOMPARE(e.rec(slot).ChangeMark, mark::ModifiedContent);

        // A picture in the program folder is kept as its bare name.
        e.dialogs.files.enqueue(writePicture(m_program.filePath(QStringLiteral("l.png")), 8, 8));
        e.windows.commands().browsePicture(slot, nullptr);
        QCOMPARE(e.rec(slot).ImagePath, QStringLiteral("l.png"));

        // A typed path that cannot be read is kept, and the box names the file and the note.
        e.windows.commands().setTypedPicturePath(slot, QStringLiteral("missing.png"));
        QCOMPARE(e.messages.count(), 2);
        QVERIFY(e.messages.shown.at(1).text.endsWith(m_program.path() +
                                                     QStringLiteral("/missing.png'")));
        QCOMPARE(e.messages.shown.at(1).title,
                 QStringLiteral("Unable to read image on note 'Pics'"));
        QCOMPARE(e.rec(slot).ImagePath, QStringLiteral("missing.png"));
        QVERIFY(e.win(slot)->pictureSize().isEmpty());
    }

    void fontDialog() {
        Env& e = *m_env;
        const int slot = e.add();
        QFont chosen(QStringLiteral("Courier"));
        chosen.setPointSizeF(12);
        chosen.setItalic(true);
        e.dialogs.fonts.enqueue(chosen);
        QVERIFY(e.windows.commands().chooseFont(slot, nullptr));
        QCOMPARE(e.st(slot).FontName, QStringLiteral("Courier"));
        QCOMPARE(e.st(slot).FontSize, 12.0F);
        QVERIFY(e.st(slot).FontItalic && e.win(slot)->textBox()->font().italic());
        QCOMPARE(e.rec(slot).ChangeMark, mark::Modified);
        e.rec(slot).ChangeMark = mark::Blank;
        e.dialogs.fonts.enqueue(std::nullopt);
        QVERIFY(!e.windows.commands().chooseFont(slot, nullptr));
        QCOMPARE(e.st(slot).FontName, QStringLiteral("Courier"));
        QCOMPARE(e.rec(slot).ChangeMark, mark::Blank);
        if (!QFontDatabase::hasFamily(QStringLiteral("DejaVu Sans"))) {
            QSKIP("needs the DejaVu Sans font");
        }
        // OK in the dialog without choosing anything changes nothing.
        NoteWindowState st = Env::defaultState();
        st.FontName = QStringLiteral("DejaVu Sans");
        st.FontSize = 10;
        st.FontUnderline = true;
        const int other = e.add({}, st);
        QFontDialog dialog;
        dialog.setCurrentFont(NoteCommands::dialogFont(e.st(other)));
        const QFont unchanged = dialog.currentFont();
        e.dialogs.fonts.enqueue(unchanged);
        QVERIFY(e.windows.commands().chooseFont(other, nullptr));
        QVERIFY(!e.st(other).FontItalic && !e.st(other).FontBold && e.st(other).FontUnderline);
        QCOMPARE(e.st(other).FontSize, 10.0F);
        QCOMPARE(e.rec(other).ChangeMark, mark::Blank);
    }

    void colourSideAndDefaults() {
        Env& e = *m_env;
        const int slot = e.add();
        frmBlocNote* w = e.win(slot);
        // The side switch shows the (empty) picture side, then the text again.
        w->lblToolBarProp_MouseUp(Qt::LeftButton);
        QVERIFY(w->pictureSideShown() && e.st(slot).PictureShown && w->textBox()->isHidden());
        w->lblToolBarProp_MouseUp(Qt::LeftButton);
        QVERIFY(!w->pictureSideShown() && !e.st(slot).PictureShown && w->textBox()->isVisible());
        e.windows.commands().setTitle(slot, QStringLiteral("   "));
        QCOMPARE(w->fraToolbar->caption(), QStringLiteral("Note"));

        e.dialogs.colors.enqueue(-1);
        QVERIFY(!e.windows.commands().chooseColor(slot, true, nullptr));
        e.dialogs.colors.enqueue(0x123456);
        QVERIFY(e.windows.commands().chooseColor(slot, true, nullptr));
        QCOMPARE(w->textBox()->palette().color(QPalette::Base), QColor(0x56, 0x34, 0x12));
        e.st(slot).PictureStretched = true;
        w->menus().mnuNoteAsDefault->trigger();
        QVERIFY(e.state.SettingsChanged);
        QCOMPARE(e.settings.NoteDefaults.BackColor, 0x123456);
        QCOMPARE(e.settings.NoteDefaults.ImageMode, std::int16_t{-1});
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
        QTest::newRow("inside the band") << QPoint(2, 50) << false << l << int(Qt::SizeHorCursor);
        QTest::newRow("past the band") << QPoint(3, 50) << false << 0 << int(Qt::ArrowCursor);
        QTest::newRow("corner along the top")
            << QPoint(8, 1) << false << (l | t) << int(Qt::SizeFDiagCursor);
        QTest::newRow("top-right")
            << QPoint(199, 0) << false << (r | t) << int(Qt::SizeBDiagCursor);
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
        // The band lies over the edges only: the title bar keeps its cursor.
        QVERIFY(!qobject_cast<ResizeGrip*>(w->childAt(100, 8)));
        // The offscreen platform cannot resize: the note follows the drag itself.
        dragFrom(w, {199, 199}, {50, 30});
        QCOMPARE(w->geometry(), QRect(100, 100, 250, 230));
        QCOMPARE(QSizeF(e.st(slot).Width, e.st(slot).Height), QSizeF(3750, 3450));
        // The title bar spans the note with the action bar at its right end.
        QCOMPARE(w->fraToolbar->width(), 250 - 2 * frmBlocNote::BorderPx);
        QCOMPARE(w->fraToolbar->fraActionbar->geometry().right(), w->fraToolbar->width() - 1);

        // The left edge stops at the smallest width; the right edge stays where it was.
        dragFrom(w, {0, 100}, {400, 0});
        QCOMPARE(w->width(), twips::toPx(frmBlocNote::MinWidth));
        QCOMPARE(w->geometry().right(), 349);
        QCOMPARE(e.st(slot).Width, frmBlocNote::MinWidth);
        QCOMPARE(e.st(slot).Left, twips::fromPx(w->x()));

        // So does the bottom edge at the smallest height.
        dragFrom(w, {w->width() / 2, w->height() - 1}, {0, -400});
        QCOMPARE(e.st(slot).Height, frmBlocNote::MinHeight);

        // Rolling up remembers the height; a rolled-up note changes only its width.
        e.clock.advanceMs(5000);
        w->lblActionbarRoll_Click();
        QCOMPARE(e.rec(slot).RollHeight, frmBlocNote::MinHeight);
        const int rolled = w->height();
        QCOMPARE(e.st(slot).Height,
                 static_cast<float>(e.windows.ChromeHeight() + e.windows.ToolbarHeight()));
        dragFrom(w, {w->width() - 1, rolled - 1}, {20, 40});
        QCOMPARE(w->size(), QSize(twips::toPx(frmBlocNote::MinWidth) + 20, rolled));
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
            // The platform window keeps the state for the next show.
            QCOMPARE(w->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), onTop);
            QCOMPARE(w->winId(), id);
            QVERIFY(w->isVisible() && w->isActiveWindow() && !e.rec(slot).Rollup);
        }
    }

    void animationKeepsTheStoredGeometry() {
        Env& e = *m_env;
        const int slot = e.add();
        frmBlocNote* w = e.win(slot);
        const QRect stored(100, 100, 200, 200);
        e.windows.hideNote(slot, true);
        QTRY_VERIFY(w->isHidden());
        e.windows.showNote(slot, true);
        QTRY_VERIFY(!windowops::isAnimating(w));
        QCOMPARE(w->geometry(), stored);
        // Shown again while it is still shrinking: it ends shown, at its place.
        e.windows.hideNote(slot, true);
        e.windows.showNote(slot, true);
        QTRY_VERIFY(!windowops::isAnimating(w));
        QVERIFY(w->isVisible());
        QCOMPARE(w->geometry(), stored);
        const NoteWindowState& st = e.st(slot);
        QCOMPARE(QRectF(st.Left, st.Top, st.Width, st.Height), QRectF(1500, 1500, 3000, 3000));
    }

    void noteFollowsTheDesktopTheme() {
        const PaletteGuard guard;
        NoteWindowState st = Env::defaultState();
        st.BackColor = colors::systemColor(colors::WindowBackground);
        st.ForeColor = -2147483630; // button text, as older files store it
        const int slot = m_env->add({}, st);
        // A dark theme chosen while the note is open.
        QPalette dark(QColor(45, 45, 48), QColor(30, 30, 30));
        dark.setColor(QPalette::Base, QColor(20, 22, 24));
        dark.setColor(QPalette::WindowText, QColor(225, 226, 227));
        dark.setColor(QPalette::ButtonText, QColor(220, 221, 200));
        QApplication::setPalette(dark);
        QPlainTextEdit* box = m_env->win(slot)->textBox();
        QTRY_COMPARE(box->palette().color(QPalette::Base), dark.color(QPalette::Base));
        QCOMPARE(box->palette().color(QPalette::Text), dark.color(QPalette::ButtonText));
        // An index the desktop does not know reads as its text colour.
        QCOMPARE(colors::screenColor(static_cast<qint32>(0x800000FFU), dark),
                 dark.color(QPalette::WindowText));
    }

    void textStopsAtTheFieldsBytes_data() {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<int>("count");
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
        QSignalSpy full(box, &NoteTextBox::limitReached);
        QApplication::clipboard()->setText(unit.repeated(count));
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        const QString text = e.st(slot).Text;
        QCOMPARE(full.count(), 1);
        QVERIFY(unit.repeated(count).startsWith(text));
        QVERIFY(fieldlimit::storedBytes(text) <= NoteTextBox::MaxBytes);
        QVERIFY(fieldlimit::storedBytes(text) > NoteTextBox::MaxBytes - 4);
        // The saved record reads back whole.
        QCOMPARE(recordcodec::decode(recordcodec::encode(e.rec(slot), e.st(slot), 1))
                     .value()
                     .window.Text,
                 text);
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
        e.windows.RemoveAlwaysOnTop(&manager);
        QVERIFY(!windowops::isTopmost(e.win(above)) && !windowops::isTopmost(&manager) &&
                e.st(above).AlwaysOnTop);
        e.windows.ResetAlwaysOnTop(&manager);
        // The picture dialog, cancelled, puts back the same again.
        e.windows.commands().browsePicture(below, nullptr);
        QVERIFY(windowops::isTopmost(e.win(above)) && !windowops::isTopmost(e.win(below)));
        QCOMPARE(windowops::isTopmost(&manager), managerOnTop);
        e.windows.setManagerWindow(nullptr);
    }
};

QB_TEST_CLASS(TestNoteWindow)
QB_TEST_MAIN
#include "tst_notewindow.moc"
