#include "localisation/translator.h"
#include "manager/frmstartup.h"
#include "manager/notelists.h"
#include "manager/noteviews.h"
#include "manager/propertiespanel.h"
#include "manager/propertycommands.h"
#include "manager/trayicon.h"
#include "platform/bytelimit.h"
#include "platform/programfolder.h"
#include "platform/testing/fakes.h"
#include "platform/textcodec.h"
#include "store/notestore.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QToolTip>
#include <QWindow>
#include <QtTest>
#include <algorithm>
#include <map>

using namespace Qt::StringLiterals;

namespace {

// Note windows without windows: keeps Visible and Live as they do and records the commands.
struct FakeViews final : NoteViews, PropertyCommands {
    explicit FakeViews(NoteStore& s)
        : store(s) {}
    NoteStore& store;
    QList<int> shown, hidden, retired;
    QList<QPair<int, int>> cursors;
    QStringList calls;
    std::optional<bool> menuSavedOnTop; // the state saved by an open note menu

    NoteWindowState& win(int slot) { return store.Windows.at(static_cast<size_t>(slot)); }
    // Records a call; false for the choosers, as when the user cancels.
    bool rec(const char* call, int slot, const QVariant& value = {}) {
        calls.append(u"%1(%2,%3)"_s.arg(QLatin1String(call)).arg(slot).arg(value.toString()));
        return false;
    }
    void see(QList<int>& seen, int slot, bool visible) {
        seen.append(slot);
        win(slot).Visible = visible;
    }
    void createNewNoteWindow(int slot) override { rec("create", slot); }
    void showNote(int slot, bool) override { see(shown, slot, true); }
    void hideNote(int slot, bool) override { see(hidden, slot, false); }
    void retireNote(int slot) override {
        see(retired, slot, false);
        win(slot).Live = false;
    }
    void focusText(int slot) override { rec("focus", slot); }
    void placeTextCursor(int slot, int position) override { cursors.append({slot, position}); }
    [[nodiscard]] std::optional<bool> savedOnTop(int) const override { return menuSavedOnTop; }
    void setAlwaysOnTop(int slot, bool v) override { rec("setAlwaysOnTop", slot, v); }
    void setLocked(int slot, bool v) override { rec("setLocked", slot, v); }
    void setAutoRoll(int slot, bool v) override { rec("setAutoRoll", slot, v); }
    void setAutoDim(int slot, bool v) override { rec("setAutoDim", slot, v); }
    void setShowTitle(int slot, bool v) override { rec("setShowTitle", slot, v); }
    void setShowScrollBar(int slot, bool v) override { rec("setShowScrollBar", slot, v); }
    bool chooseColor(int slot, bool, QWidget*) override { return rec("chooseColor", slot); }
    bool chooseFont(int slot, QWidget*) override { return rec("chooseFont", slot); }
    void toggleStretch(int slot) override { rec("toggleStretch", slot); }
    void toggleKeepRatio(int slot) override { rec("toggleKeepRatio", slot); }
    void browsePicture(int slot, QWidget*) override { rec("browsePicture", slot); }
    // As the note window does: the title or picture path is stored and the note marked.
    void setTitle(int slot, const QString& title) override {
        rec("setTitle", slot, title);
        store.Notes.at(static_cast<size_t>(slot)).setTitle(title);
        store.MarkChanged(slot, true);
    }
    void setTypedPicturePath(int slot, const QString& text) override {
        rec("setTypedPicturePath", slot, text);
        store.Notes.at(static_cast<size_t>(slot)).ImagePath = text.trimmed();
        store.MarkChanged(slot, true);
    }
};

// Everything the manager works on, with fakes for what reaches outside.
struct Env {
    QTemporaryDir dir;
    NoteStore store;
    Settings settings;
    ProgramState state;
    ProgramFolder folder{dir.path() + QLatin1Char('/')};
    FakeMessageSink messages;
    Translator tr;
    FakeDialogs dialogs;
    FakeClock clock;
    FakeDiagnosticLog log;
    FakeViews views{store};
    ManagerContext ctx{store,   settings, state, folder, messages, tr,
                       dialogs, clock,    log,   views,  views};

    // A note with `title` at the end of `list`, shown or hidden.
    int add(int list, const QString& title, bool visible = true, const QString& text = {}) {
        NoteRecord record;
        record.setTitle(title);
        NoteWindowState window;
        window.Visible = visible;
        window.Text = text;
        return store.addNote(list, record, window);
    }
    NoteRecord& note(int slot) { return store.Notes.at(static_cast<size_t>(slot)); }
    NoteWindowState& win(int slot) { return views.win(slot); }
    // DataChanged starts the periodic save; FullSaveNeeded has it rewrite the files whole.
    [[nodiscard]] QList<bool> saveFlags() const {
        return {store.FullSaveNeeded, store.DataChanged};
    }
};

// Two list widgets and their model.
struct ListsEnv : Env {
    QListWidget list0, list1;
    NoteLists lists{ctx, {&list0, &list1}};

    // The lines of `list`, joined by commas.
    [[nodiscard]] QString lines(int list) {
        QStringList result;
        for (int i = 0; i < lists.list(list)->count(); ++i) {
            result.append(lists.list(list)->item(i)->text());
        }
        return result.join(QLatin1Char(','));
    }
};

// The properties panel beside the lists, for note A.
struct PanelEnv : ListsEnv {
    const int a = add(0, u"A"_s);
    PropertiesPanel panel{ctx};
    PanelEnv() {
        lists.fill();
        QObject::connect(&panel, &PropertiesPanel::titleChanged, &lists,
                         &NoteLists::updateLineText);
        state.CurrentPanel = u"prop"_s;
    }
    template <class W = QLineEdit>
    W* get(const QString& name) {
        return panel.findChild<W*>(name);
    }
};

// A random source that replays component values 0..255, then 0.
std::function<double()> replay(const QList<int>& values) {
    return [values, next = 0]() mutable { return (values.value(next++) + 0.5) / 256.0; };
}

int rgb(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}

// The text field of a properties line edit, as the note holds it.
QString fieldOf(const NoteRecord& note, const QString& field) {
    return field == u"txtTitre"_s       ? note.Title
           : field == u"txtImagePath"_s ? note.ImagePath
                                        : note.FiletoOpen;
}

} // namespace

class TestManager : public QObject {
    Q_OBJECT
private slots:
    void moves_data() {
        QTest::addColumn<char>("command"); // up, down, left, right
        QTest::addColumn<int>("list");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("expected"); // the two lists, then the selected list and line
        QTest::newRow("up on line 0") << 'u' << 0 << 0 << u"ABC|DE|0 0"_s;
        QTest::newRow("down on the last line") << 'd' << 0 << 2 << u"ABC|DE|0 2"_s;
        QTest::newRow("up in the middle") << 'u' << 0 << 1 << u"BAC|DE|0 0"_s;
        QTest::newRow("down in the middle") << 'd' << 0 << 1 << u"ACB|DE|0 2"_s;
        // The first list has no list on its left, the second none on its right.
        QTest::newRow("left from the first list") << 'l' << 0 << 1 << u"ABC|DE|0 1"_s;
        QTest::newRow("right from the second list") << 'r' << 1 << 0 << u"ABC|DE|1 0"_s;
        // Moved to the other list: appended there, and that list comes in front.
        QTest::newRow("right to the other list") << 'r' << 0 << 1 << u"AC|DEB|1 2"_s;
        QTest::newRow("left to the other list") << 'l' << 1 << 1 << u"ABCE|D|0 3"_s;
    }
    void moves() {
        QFETCH(char, command);
        QFETCH(int, list);
        QFETCH(int, selected);
        QFETCH(QString, expected);
        ListsEnv env;
        for (const QChar title : u"ABCDE"_s) {
            env.add(title < u'D' ? 0 : 1, QString(title), title != u'B');
        }
        env.lists.fill();
        env.lists.optSelectList_Click(list);
        env.lists.selectLine(list, selected);
        const std::map<char, void (NoteLists::*)()> commands{{'u', &NoteLists::cmdMoveUp_Click},
                                                             {'d', &NoteLists::cmdMoveDown_Click},
                                                             {'r', &NoteLists::cmdMoveRight_Click},
                                                             {'l', &NoteLists::cmdMoveLeft_Click}};
        (env.lists.*commands.at(command))();
        const int front = env.lists.frontList();
        const QString now = env.lines(0).remove(u',') + u'|' + env.lines(1).remove(u',') +
                            u"|%1 %2"_s.arg(front).arg(env.lists.selectedLine(front));
        QCOMPARE(now, expected);
        const QStringList titles = expected.split(u'|');
        for (int inList = 0; inList < 2; ++inList) {
            for (int pos = 0; pos < titles[inList].size(); ++pos) {
                // The store holds the order that is saved; the tick travels with its note.
                const int slot = env.store.slotAt(inList, pos);
                QCOMPARE(env.note(slot).Title, titles[inList].at(pos));
                QCOMPARE(env.note(slot).List, inList);
                QCOMPARE(env.store.ListPos[static_cast<size_t>(slot)], pos);
                QCOMPARE(env.lists.isTicked(inList, pos), env.win(slot).Visible);
            }
        }
        QCOMPARE(env.saveFlags(), QList<bool>(2, !expected.startsWith(u"ABC|DE|")));
        QVERIFY(env.views.shown.isEmpty() && env.views.hidden.isEmpty());
    }

    void removeAsksAndLeavesDeletedLine() {
        ListsEnv env;
        QSignalSpy panel(&env.lists, &NoteLists::listPanelRequested);
        env.settings.chkConfirmDelete = 1;
        env.add(0, u"A"_s);
        const int b = env.add(0, u"B"_s);
        env.add(0, u"C"_s);
        env.lists.fill();
        env.lists.selectLine(0, 1);
        // Refused: nothing changes.
        env.messages.answers.enqueue(1);
        env.lists.cmdRemove_Click();
        QCOMPARE(env.messages.count(), 1);
        QVERIFY(env.lists.isTicked(0, 1) && env.win(b).Live);
        QCOMPARE(env.note(b).ChangeMark, mark::Blank);
        QCOMPARE(env.saveFlags(), QList<bool>(2, false));
        // Agreed: the line stays, inert, and the removal reaches the next save.
        env.lists.cmdRemove_Click();
        QCOMPARE(env.lines(0), u"A,---Deleted---,C"_s);
        QVERIFY(!env.lists.isTicked(0, 1));
        QCOMPARE(env.views.hidden + env.views.retired, QList<int>({b, b}));
        QCOMPARE(env.note(b).ChangeMark, mark::Deleted);
        QCOMPARE(env.saveFlags(), QList<bool>(2, true));
        QCOMPARE(panel.count(), 1);
        // The automatic removal after sending never asks, and is logged.
        env.state.DeleteSentNote = true;
        env.settings.chkNetWriteLog = 1;
        env.lists.selectLine(0, 2);
        env.lists.cmdRemove_Click();
        QCOMPARE(env.messages.count(), 2);
        QCOMPARE(env.note(2).ChangeMark, mark::Deleted);
        QCOMPARE(env.log.lines.size(), 1);
    }

    void removedNoteLineCannotBeTicked_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("windowRebuilt");
        for (const char* how :
             {"tick box", "program tick", "search", "show all", "middle click", "remove again"}) {
            QTest::addRow("%s", how) << QString::fromLatin1(how) << false;
            QTest::addRow("%s, window rebuilt", how) << QString::fromLatin1(how) << true;
        }
    }
    void removedNoteLineCannotBeTicked() {
        QFETCH(QString, how);
        QFETCH(bool, windowRebuilt);
        ListsEnv env;
        const int removed = env.add(0, u"Find me"_s, true, u"find me"_s);
        env.lists.fill();
        env.lists.selectLine(0, 0);
        env.lists.cmdRemove_Click();
        if (windowRebuilt) {
            // Windows built again are all live; the mark still says removed.
            env.win(removed).Live = true;
            env.lists.fill();
        }
        env.views.shown.clear();
        QListWidgetItem* line = env.lists.list(0)->item(0);
        QVERIFY(!line->flags().testFlag(Qt::ItemIsUserCheckable));
        env.lists.selectLine(0, 0);
        const std::map<QString, std::function<void()>> actions{
            {u"tick box"_s, [line] { line->setCheckState(Qt::Checked); }},
            {u"program tick"_s, [&env] { env.lists.setTicked(0, 0, true); }},
            {u"search"_s, [&env] { env.lists.cmdSearch_Click(u"find"_s); }},
            {u"show all"_s, [&env] { env.lists.cmdShowAll_Click(); }},
            {u"remove again"_s, [&env] { env.lists.cmdRemove_Click(); }},
            {u"middle click"_s, [&env] { env.lists.invertSelectedTick(); }}};
        actions.at(how)();
        QVERIFY(!env.lists.isTicked(0, 0));
        QVERIFY(env.views.shown.isEmpty() && env.views.cursors.isEmpty());
        QCOMPARE(env.views.retired, QList<int>({removed}));
        QCOMPARE(env.note(removed).ChangeMark, mark::Deleted);
        QCOMPARE(line->text(), u"---Deleted---"_s);
    }

    void searchShowsEveryMatch() {
        ListsEnv env;
        const int title = env.add(0, u"Notes abc"_s, false, u"xx abc"_s);
        const int text = env.add(0, u"Shopping"_s, false, u"milk, Abc."_s);
        env.add(0, u"Other"_s, false, u"nothing"_s);
        const int shown = env.add(0, u"Shown"_s, true, u"aBc"_s);
        const int other = env.add(1, u"abc in the other list"_s, false);
        env.lists.fill();
        env.lists.cmdSearch_Click(u"   "_s);
        QVERIFY(env.views.shown.isEmpty());
        env.lists.cmdSearch_Click(u"ABC"_s);
        QCOMPARE(env.views.shown, QList<int>({title, text}));
        const QList<bool> ticks{env.lists.isTicked(0, 0), env.lists.isTicked(0, 1),
                                env.lists.isTicked(0, 2), env.lists.isTicked(0, 3)};
        QCOMPARE(ticks, QList<bool>({true, true, false, true}));
        // Only text matches move the cursor, to the start of the match.
        QCOMPARE(env.views.cursors, (QList<QPair<int, int>>{{text, 6}, {shown, 0}}));
        QCOMPARE(env.lists.selectedLine(0), 3);
        QVERIFY(!env.win(other).Visible);
    }

    void randomTextColourNeedsMoreThan64_data() {
        QTest::addColumn<int>("candidate");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("plus 64") << 164 << false;
        QTest::newRow("plus 65") << 165 << true;
        QTest::newRow("minus 64") << 36 << false;
        QTest::newRow("minus 65") << 35 << true;
    }
    void randomTextColourNeedsMoreThan64() {
        QFETCH(int, candidate);
        QFETCH(bool, accepted);
        // Background 100 grey; then the candidate for every text component, each followed by a
        // value that is always far enough.
        const NoteColors colors = drawRandomColors(
            replay({100, 100, 100, candidate, 255, candidate, 255, candidate, 255}));
        QCOMPARE(colors.back, rgb(100, 100, 100));
        const int text = accepted ? candidate : 255;
        QCOMPARE(colors.fore, rgb(text, 255, text));
    }

    void newNoteTakesPrefixAndDefaults() {
        ListsEnv env;
        env.add(1, u"Event"_s);
        env.lists.fill();
        env.lists.optSelectList_Click(1);
        env.settings.txtPrefixNewNote = u"  Idea"_s;
        env.settings.NoteDefaults.Left = 500;
        env.settings.NoteDefaults.Top = 700;
        // Picture mode -2 keeps the ratio, any mode but 0 stretches. Each next note lands a
        // title bar lower and further right of the one at its place.
        const std::tuple<int, bool, bool, float> modes[]{
            {-2, true, true, 500}, {-1, false, true, 695}, {0, false, false, 890}};
        for (const auto& [mode, ratio, stretched, left] : modes) {
            env.settings.NoteDefaults.ImageMode = mode;
            const int slot = env.lists.cmdNewNote_Click();
            QCOMPARE(env.note(slot).ImageKeepRatio, ratio);
            QCOMPARE(env.win(slot).PictureStretched, stretched);
            QCOMPARE(QPointF(env.win(slot).Left, env.win(slot).Top), QPointF(left, left + 200));
        }
        const NoteRecord& note = env.note(1);
        QVERIFY(note.Title.startsWith(u"Idea "_s));
        QCOMPARE(note.ChangeMark, mark::Created);
        QCOMPARE(note.List, 1);
        QCOMPARE(note.AlarmSpecial + note.AlarmRemind, u"  "_s);
        // Appended to the list in front, ticked, shown and focused.
        QCOMPARE(env.lines(1).section(u',', 1, 1), note.Title);
        QVERIFY(env.lists.isTicked(1, 1));
        QCOMPARE(env.views.shown, QList<int>({1, 2, 3}));
        QCOMPARE(env.views.calls.mid(0, 2), QStringList({u"create(1,)"_s, u"focus(1,)"_s}));
        QCOMPARE(env.state.CurrentNote, 3);
        // A removed note no longer holds its place. A long prefix is cut to the title width;
        // random colours contrast.
        env.lists.selectLine(1, 1);
        env.lists.cmdRemove_Click();
        env.settings.txtPrefixNewNote = QString(60, QLatin1Char('x'));
        env.settings.chkRandomColor = 1;
        env.lists.setRandomSource(replay({10, 20, 30, 200, 200, 200}));
        const int slot = env.lists.cmdNewNote_Click();
        QCOMPARE(QPointF(env.win(slot).Left, env.win(slot).Top), QPointF(500, 700));
        QCOMPARE(env.note(slot).Title, QString(width::Title, QLatin1Char('x')));
        QCOMPARE(env.win(slot).BackColor, rgb(10, 20, 30));
        QCOMPARE(env.win(slot).ForeColor, rgb(200, 200, 200));
    }

    void tickShowsAndHides() {
        ListsEnv env;
        const int a = env.add(0, u"A"_s, false);
        env.lists.fill();
        // A tick shows or hides its note and marks it; a new text of the line is no tick.
        env.lists.setTicked(0, 0, true);
        env.lists.setTicked(0, 0, false);
        env.lists.list(0)->item(0)->setText(u"A2"_s);
        QCOMPARE(env.views.shown + env.views.hidden, QList<int>({a, a}));
        QCOMPARE(env.note(a).ChangeMark, mark::Modified);
        // Program-made changes while UpdatingLists is set show nothing and mark nothing.
        env.note(a).ChangeMark = mark::Blank;
        env.store.UpdatingLists = true;
        env.lists.setTicked(0, 0, true);
        QCOMPARE(env.views.shown.size(), 1);
        QCOMPARE(env.note(a).ChangeMark, mark::Blank);
    }

    void titleAndPicturePathEdits() {
        PanelEnv env;
        env.note(env.a).ImagePath = u"pic.png"_s;
        env.panel.Fill(env.a);
        auto* title = env.get(u"txtTitre"_s);
        auto* path = env.get(u"txtImagePath"_s);
        // An empty title keeps the old one; leaving an unchanged title is not an edit.
        title->setText(u"   "_s);
        env.panel.txtTitre_LostFocus();
        env.panel.txtTitre_LostFocus();
        QCOMPARE(env.note(env.a).Title + title->text(), u"AA"_s);
        QVERIFY(env.views.calls.isEmpty());
        // The picture file may have been replaced: leaving or Enter reads it again, and the
        // note is not changed by that.
        env.panel.txtImagePath_LostFocus();
        QTest::keyClick(path, Qt::Key_Return);
        QCOMPARE(env.views.calls, QStringList(2, u"setTypedPicturePath(0,pic.png)"_s));
        QCOMPARE(env.note(env.a).ChangeMark, mark::Blank);
        QVERIFY(!env.store.DataChanged);
        // A new path is an edit, and so is a new title, which its line shows.
        path->setText(u"other.png"_s);
        QTest::keyClick(path, Qt::Key_Return);
        QCOMPARE(env.note(env.a).ImagePath, u"other.png"_s);
        QCOMPARE(env.note(env.a).ChangeMark, mark::ModifiedContent);
        QVERIFY(env.store.DataChanged);
        title->setText(u"  New title "_s);
        env.panel.txtTitre_LostFocus();
        QCOMPARE(env.views.calls.last(), u"setTitle(0,New title)"_s);
        QCOMPARE(env.lines(0), u"New title"_s);
    }

    void panelHandlersQuietWhileFilling() {
        PanelEnv env;
        env.note(env.a).AutoRoll = env.note(env.a).Locked = env.win(env.a).AlwaysOnTop = true;
        env.panel.Fill(env.a);
        const auto box = [&env](const char* name) {
            return env.get<QCheckBox>(QLatin1String(name));
        };
        QVERIFY(box("chkAutoRoll")->isChecked() && box("chkAlwaysOnTop")->isChecked());
        // While a note menu is open the box shows the state saved before it opened.
        env.views.menuSavedOnTop = false;
        env.panel.Fill(env.a);
        QVERIFY(!box("chkAlwaysOnTop")->isChecked());
        QVERIFY(env.views.calls.isEmpty());
        box("chkLocked")->click();
        box("chkAutoDim")->click();
        QCOMPARE(env.views.calls, QStringList({u"setLocked(0,false)"_s, u"setAutoDim(0,true)"_s}));
        // The link box stores the link and marks the note; the status follows the mark.
        env.get(u"txtFiletoOpen"_s)->setText(u"a.txt"_s);
        box("chkOpenFile")->click();
        QVERIFY(env.note(env.a).OpenFile);
        QCOMPARE(env.note(env.a).FiletoOpen, u"a.txt"_s);
        QCOMPARE(env.get<QLabel>(u"lblStatus"_s)->text(), u"Modified"_s);
        env.note(env.a).ChangeMark = mark::Blank;
        env.panel.refreshStatus();
        QVERIFY(env.get<QLabel>(u"lblStatus"_s)->text().isEmpty());
    }

    void linkedFile() {
        PanelEnv env;
        env.note(env.a).UpdateFile = true;
        env.note(env.a).FiletoOpen = u"linked.txt"_s;
        QFile file(env.folder.file(u"linked.txt"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        auto* update = env.get<QCheckBox>(u"chkUpdateFile"_s);
        env.panel.Fill(env.a);
        QVERIFY(update->isEnabled() && update->isChecked());
        // A read-only file cannot be updated; a bare name is found in the program folder.
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        env.panel.CheckLinkedFile(u"linked.txt"_s);
        QVERIFY(!update->isEnabled() && !update->isChecked() && !env.note(env.a).UpdateFile);
        // A missing file leaves the box usable.
        env.panel.CheckLinkedFile(u"missing.txt"_s);
        QVERIFY(update->isEnabled());
        // A cancelled file dialog keeps the link.
        env.note(env.a).ChangeMark = mark::Blank;
        env.panel.cmdPropBrowse_Click();
        QCOMPARE(env.note(env.a).FiletoOpen, u"linked.txt"_s);
        QCOMPARE(env.note(env.a).ChangeMark, mark::Blank);
    }

    void fieldsTakeWhatTheirBytesHold_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("typed");
        // The mark and three bytes a character: two of the title's 50 bytes left over.
        QTest::newRow("title") << u"txtTitre"_s << int(width::Title) << QString(20, u'本');
        // One byte a character: the picture path's 64 exactly.
        QTest::newRow("picture path")
            << u"txtImagePath"_s << int(width::ImagePath) << u"/photo/"_s + QString(60, u'é');
        // 66 bytes, then a character that takes the whole to UTF-8 and past 128.
        QTest::newRow("linked file") << u"txtFiletoOpen"_s << int(width::FiletoOpen)
                                     << u"/data/"_s + QString(60, u'é') + QString(30, u'一');
    }
    void fieldsTakeWhatTheirBytesHold() {
        QFETCH(QString, field);
        QFETCH(int, width);
        QFETCH(QString, typed);
        QVERIFY(textcodec::encode(typed).size() > width);
        Env env;
        const int a = env.add(0, u"A"_s);
        const int b = env.add(0, u"B"_s);
        frmStartup manager(env.ctx, {});
        manager.lists().fill();
        manager.openProperties(a);
        auto* edit = manager.propertiesPanel().findChild<QLineEdit*>(field);
        edit->clear();
        QSignalSpy refused(edit, &QLineEdit::inputRejected);
        // Typed until the field refuses a character.
        qsizetype typedCount = 0;
        while (typedCount < typed.size() && refused.isEmpty()) {
            // As the keyboard types it, characters outside ASCII included.
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, typed.at(typedCount++),
                                Qt::NoModifier);
        }
        // Full: what it holds fits, the refused character would not, and it said so.
        QVERIFY(!refused.isEmpty());
        const QString held = edit->text();
        QCOMPARE(held, typed.left(typedCount - 1));
        QVERIFY(textcodec::encode(held).size() <= width);
        QVERIFY(textcodec::encode(typed.left(typedCount)).size() > width);
        QCOMPARE(QToolTip::text(), ByteLimitValidator::limitText(width));
        // Another note is clicked while the field still holds the focus: the typing goes to
        // its own note, and comes back whole from the data file's field.
        manager.noteActivated(b);
        QCOMPARE(manager.propertiesPanel().shownNote(), b);
        const QString stored = fieldOf(env.note(a), field);
        QCOMPARE(stored.trimmed(), held.trimmed());
        QCOMPARE(textcodec::decodeFixed(textcodec::encodeFixed(stored, width)), stored.trimmed());
        QCOMPARE(edit->text(), fieldOf(env.note(b), field).trimmed());
        // Typing followed by OK is kept as well.
        QTest::keyClicks(edit, u"2"_s);
        manager.propertiesPanel().cmdPropOK_Click();
        QCOMPARE(fieldOf(env.note(b), field), edit->text());
    }

    void trayClicks_data() {
        QTest::addColumn<QList<TrayEvent>>("events"); // one every 150 ms
        QTest::addColumn<bool>("boxOpen");
        QTest::addColumn<QList<int>>("expected"); // toggles, new notes, menus, inverts
        using E = TrayEvent;
        QTest::newRow("left click toggles") << QList{E::LeftPress} << false << QList{1, 0, 0, 0};
        QTest::newRow("double click makes a note only")
            << QList{E::LeftPress, E::DoubleClick} << false << QList{0, 1, 0, 0};
        QTest::newRow("right click opens the menu")
            << QList{E::RightPress} << false << QList{0, 0, 1, 0};
        QTest::newRow("middle click inverts")
            << QList{E::MiddlePress} << false << QList{0, 0, 0, 1};
        QTest::newRow("ctrl and left click inverts")
            << QList{E::CtrlLeftPress} << false << QList{0, 0, 0, 1};
        for (const E e : {E::LeftPress, E::DoubleClick, E::RightPress, E::MiddlePress}) {
            QTest::addRow("ignored while a box is open (%d)", static_cast<int>(e))
                << QList{e} << true << QList{0, 0, 0, 0};
        }
    }
    void trayClicks() {
        QFETCH(QList<TrayEvent>, events);
        QFETCH(bool, boxOpen);
        QFETCH(QList<int>, expected);
        QList<int> counts(4, 0);
        TrayClickDecoder decoder({[&counts] { ++counts[0]; }, [&counts] { ++counts[1]; },
                                  [&counts] { ++counts[2]; }, [&counts] { ++counts[3]; },
                                  [&boxOpen] { return boxOpen; }},
                                 [] { return qint64(0); });
        qint64 now = 1000;
        for (const TrayEvent event : events) {
            decoder.feed(event, now);
            now += 150;
        }
        const qint64 last = now - 150;
        // The latest click is acted on once 0.3 s have passed since it, and only once.
        QVERIFY(!decoder.settle(last + TrayClickDecoder::WaitMs - 1));
        QVERIFY(decoder.settle(last + TrayClickDecoder::WaitMs));
        boxOpen = false;
        QVERIFY(!decoder.settle(last + 5000));
        QCOMPARE(counts, expected);
    }

    void trayMenuAndClicksActOnTheLists() {
        ListsEnv env;
        for (int i = 0; i < 25; ++i) {
            env.add(0, u"  Note %1 & co  "_s.arg(i), i != 0);
        }
        env.win(3).Live = false;
        env.lists.fill();
        TrayIcon tray(env.lists, env.store, {}, [&env] { return env.clock.monotonicMs(); });
        // Through its own timer: a middle click with no selected line does nothing, with one it
        // shows that line's note.
        tray.decoder().feed(TrayEvent::MiddlePress, env.clock.monotonicMs());
        env.clock.advanceMs(TrayClickDecoder::WaitMs);
        QVERIFY(tray.decoder().settle(env.clock.monotonicMs()));
        QVERIFY(env.views.shown.isEmpty());
        env.lists.selectLine(0, 0);
        tray.decoder().feed(TrayEvent::CtrlLeftPress, env.clock.monotonicMs());
        env.clock.advanceMs(TrayClickDecoder::WaitMs);
        QTRY_COMPARE(env.views.shown, QList<int>({0}));
        // The menu: the first twenty notes, a removed one hidden.
        tray.fillPopupMenu();
        const QList<QAction*>& entries = tray.noteEntries();
        const auto visible = [&entries] {
            return std::count_if(entries.begin(), entries.end(),
                                 [](const QAction* action) { return action->isVisible(); });
        };
        QCOMPARE(entries.size(), 20);
        QCOMPARE(visible(), 19);
        QCOMPARE(entries.at(0)->text(), u"Note 0 && co"_s);
        // An entry shows or hides its note; a shorter list hides the entries past its end.
        entries.at(2)->trigger();
        QCOMPARE(env.views.hidden, QList<int>({2}));
        for (int i = 0; i < 10; ++i) {
            env.lists.selectLine(0, 0);
            env.lists.cmdMoveRight_Click();
            env.lists.optSelectList_Click(0);
        }
        tray.fillPopupMenu();
        QCOMPARE(visible(), 15);
    }

    void closeBoxConfirmsPanelAndKeepsRunning() {
        Env env;
        env.add(0, u"A"_s);
        int refreshStarts = 0;
        ManagerHooks hooks;
        hooks.startAutoRefresh = [&refreshStarts] { ++refreshStarts; };
        frmStartup manager(env.ctx, hooks);
        manager.setTrayAvailable(true);
        manager.lists().fill();
        manager.show();
        QVERIFY(QTest::qWaitForWindowExposed(&manager));
        // On a panel the close box acts as its OK and the manager stays.
        manager.lists().selectLine(0, 0);
        manager.cmdProperties_Click();
        QVERIFY(!manager.close());
        QVERIFY(manager.isVisible());
        QCOMPARE(env.state.CurrentPanel, u"liste"_s);
        // On the list panel the close box hides the manager; auto refresh starts.
        env.settings.chkAutoRefresh = 1;
        QVERIFY(!manager.close());
        QVERIFY(!manager.isVisible() && env.state.SettingsChanged);
        QCOMPARE(refreshStarts, 1);
        // Properties asked for by a note show the manager, and OK hides it again.
        manager.openProperties(0);
        QVERIFY(manager.isVisible() && env.state.ShownForProperties);
        QVERIFY(!manager.close());
        QVERIFY(!manager.isVisible() && !env.state.ShownForProperties);
        // Without a tray the close box minimises it instead.
        manager.show();
        manager.setTrayAvailable(false);
        QVERIFY(!manager.close());
        QTRY_VERIFY(manager.isMinimized());
        QVERIFY(manager.isVisible() && !manager.managerVisible());
        manager.Show_Hide_Quillaboard();
        QTRY_VERIFY(!manager.isMinimized());
        QVERIFY(manager.managerVisible());
        // A real quit lets the close through.
        manager.setQuitting(true);
        QVERIFY(manager.close());
    }

    void activatedNoteTakesTheManagerOffTopAndRefillsPanelInFront() {
        Env env;
        env.add(0, u"A"_s);
        const int event = env.add(1, u"Event"_s);
        frmStartup manager(env.ctx, {});
        manager.setTrayAvailable(true);
        manager.lists().fill();
        QSignalSpy alarm(&manager, &frmStartup::alarmPanelRefreshRequested);
        const auto staysOnTop = [&manager] {
            return manager.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint);
        };
        // Shown from the tray the manager is above always-on-top notes.
        manager.Show_Hide_Quillaboard();
        QVERIFY(QTest::qWaitForWindowExposed(&manager));
        QVERIFY(manager.onTop() && staysOnTop());
        manager.openProperties(0);
        // Activating a note puts the manager back among the other windows, in place, and
        // turns the panel in front to that note.
        manager.noteActivated(event);
        QVERIFY(!manager.onTop() && !staysOnTop() && manager.isVisible());
        QCOMPARE(manager.propertiesPanel().shownNote(), event);
        QCOMPARE(manager.lists().frontList(), 1);
        QCOMPARE(env.state.CurrentNote, event);
        manager.showPanel(u"alarm"_s);
        manager.noteActivated(0);
        QCOMPARE(env.state.CurrentPanel, u"alarm"_s);
        QCOMPARE(alarm.count(), 1);
        QCOMPARE(alarm.first().at(0).toInt(), 0);
        QCOMPARE(manager.propertiesPanel().shownNote(), 0);
        // Hidden, and shown again from the tray: on top again.
        manager.Show_Hide_Quillaboard();
        QVERIFY(!manager.isVisible());
        manager.Show_Hide_Quillaboard();
        QVERIFY(manager.onTop());
    }
};

QTEST_MAIN(TestManager)
#include "tst_manager.moc"
