#include "fakenoteviews.h"
#include "localisation/translator.h"
#include "manager/frmstartup.h"
#include "manager/notelists.h"
#include "manager/propertiespanel.h"
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
#include <QMenu>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QToolTip>
#include <QWindow>
#include <QtTest>
#include <algorithm>
#include <deque>
#include <map>
#include <memory>

namespace {

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
    FakeNoteViews views{store};
    bool boxOpen = false;
    ManagerContext ctx{store,   settings, state, folder, messages, tr,
                       dialogs, clock,    log,   views,  views};

    // A note with `title` at the end of `list`, shown or hidden.
    int add(int list, const QString& title, bool visible = true, const QString& text = {}) {
        NoteRecord record;
        record.setTitle(title);
        NoteWindowState window;
        window.Visible = visible;
        window.Text = text;
        window.Left = 1500;
        window.Top = 3000;
        return store.addNote(list, record, window);
    }
};

// Two list widgets and their model.
struct ListsEnv : Env {
    QListWidget list0;
    QListWidget list1;
    NoteLists lists{ctx, {&list0, &list1}};

    [[nodiscard]] QStringList lines(int list) const {
        QStringList result;
        const QListWidget& widget = list == 0 ? list0 : list1;
        for (int i = 0; i < widget.count(); ++i) {
            result.append(widget.item(i)->text());
        }
        return result;
    }
};

// A random source that replays component values 0..255.
std::function<double()> replay(std::deque<int> values) {
    auto queue = std::make_shared<std::deque<int>>(std::move(values));
    return [queue] {
        const int value = queue->empty() ? 0 : queue->front();
        if (!queue->empty()) {
            queue->pop_front();
        }
        return (value + 0.5) / 256.0;
    };
}

// Types text as the keyboard does, characters outside ASCII included.
void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

// The text field of a properties line edit, as the note holds it.
QString fieldOf(const NoteRecord& note, const QString& field) {
    return field == QStringLiteral("txtTitre")       ? note.Title
           : field == QStringLiteral("txtImagePath") ? note.ImagePath
                                                     : note.FiletoOpen;
}

} // namespace

class TestManager : public QObject {
    Q_OBJECT
private slots:
    void moveAtTheEnds_data();
    void moveAtTheEnds();
    void moveToOtherListAppendsSelectedInFront();
    void removeLeavesDeletedLine();
    void removeRefusedChangesNothing();
    void removedNoteLineCannotBeTicked_data();
    void removedNoteLineCannotBeTicked();
    void newNoteStepsClearOfNoteAtItsPlace();
    void searchShowsEveryMatch();
    void randomTextColourNeedsMoreThan64_data();
    void randomTextColourNeedsMoreThan64();
    void newNoteTakesPrefixAndDefaults();
    void tickShowsAndHides();
    void alarmTooltip();
    void emptyTitleKeepsOldTitle();
    void panelHandlersQuietWhileFilling();
    void readOnlyLinkedFileCannotBeUpdated();
    void browseForLinkedFile();
    void panelControlsInTheirOrder();
    void typingGoesToTheNoteItWasTypedFor_data();
    void typingGoesToTheNoteItWasTypedFor();
    void retypedPicturePathReadsThePictureAgain();
    void fieldsTakeWhatTheirBytesHold_data();
    void fieldsTakeWhatTheirBytesHold();
    void trayClicks_data();
    void trayClicks();
    void trayActsThroughItsTimerOnTheLists();
    void trayMenuShowsFirstTwentyNotes();
    void closeBoxConfirmsPanelAndKeepsRunning();
    void closeBoxWithoutTrayMinimises();
    void activatedNoteRefillsPanelInFront();
    void shownManagerIsAboveAlwaysOnTopNotesUntilANoteIsActivated();
};

void TestManager::moveAtTheEnds_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("selectedAfter");
    const QString a = QStringLiteral("A");
    const QString b = QStringLiteral("B");
    const QString c = QStringLiteral("C");
    QTest::newRow("up on line 0") << QStringLiteral("up") << 0 << QStringList({a, b, c}) << 0;
    QTest::newRow("down on the last line")
        << QStringLiteral("down") << 2 << QStringList({a, b, c}) << 2;
    QTest::newRow("up in the middle") << QStringLiteral("up") << 1 << QStringList({b, a, c}) << 0;
    QTest::newRow("down in the middle")
        << QStringLiteral("down") << 1 << QStringList({a, c, b}) << 2;
    // The first list has no list on its left, the second none on its right.
    QTest::newRow("left from the first list")
        << QStringLiteral("left") << 1 << QStringList({a, b, c}) << 1;
    QTest::newRow("right from the second list")
        << QStringLiteral("right") << 0 << QStringList({a, b, c}) << 0;
}

void TestManager::moveAtTheEnds() {
    QFETCH(QString, command);
    QFETCH(int, selected);
    QFETCH(QStringList, expected);
    QFETCH(int, selectedAfter);

    ListsEnv env;
    env.add(0, QStringLiteral("A"), true);
    env.add(0, QStringLiteral("B"), false);
    env.add(0, QStringLiteral("C"), true);
    const int e = env.add(1, QStringLiteral("E"));
    env.lists.fill();
    const int list = command == QStringLiteral("right") ? 1 : 0;
    env.lists.optSelectList_Click(list);
    env.lists.selectLine(list, selected);
    const std::map<QString, void (NoteLists::*)()> commands{
        {QStringLiteral("up"), &NoteLists::cmdMoveUp_Click},
        {QStringLiteral("down"), &NoteLists::cmdMoveDown_Click},
        {QStringLiteral("right"), &NoteLists::cmdMoveRight_Click},
        {QStringLiteral("left"), &NoteLists::cmdMoveLeft_Click}};
    (env.lists.*commands.at(command))();

    QCOMPARE(env.lines(0), expected);
    QCOMPARE(env.lines(1), QStringList({QStringLiteral("E")}));
    QCOMPARE(env.lists.selectedLine(list), selectedAfter);
    for (int pos = 0; pos < 3; ++pos) {
        const int slot = env.store.slotAt(0, pos);
        QCOMPARE(env.store.Notes[static_cast<size_t>(slot)].Title, expected.at(pos));
        QCOMPARE(env.store.ListPos[static_cast<size_t>(slot)], pos);
        // The tick travels with its note and shows nothing new.
        QCOMPARE(env.lists.isTicked(0, pos), env.store.Windows[static_cast<size_t>(slot)].Visible);
    }
    const bool moved =
        expected != QStringList({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    QCOMPARE(env.store.FullSaveNeeded, moved);
    QCOMPARE(env.store.DataChanged, moved);
    QVERIFY(env.views.shown.isEmpty());
    QVERIFY(env.views.hidden.isEmpty());
    QCOMPARE(env.store.Notes[0].ChangeMark, mark::Blank);
    QCOMPARE(env.store.Notes[static_cast<size_t>(e)].ChangeMark, mark::Blank);
}

void TestManager::moveToOtherListAppendsSelectedInFront() {
    ListsEnv env;
    QSignalSpy front(&env.lists, &NoteLists::frontListChanged);
    env.add(0, QStringLiteral("A"));
    const int b = env.add(0, QStringLiteral("B"), false);
    env.add(0, QStringLiteral("C"));
    env.add(1, QStringLiteral("D"));
    env.lists.fill();

    env.lists.selectLine(0, 1);
    env.lists.cmdMoveRight_Click();

    QCOMPARE(env.lines(0), QStringList({QStringLiteral("A"), QStringLiteral("C")}));
    QCOMPARE(env.lines(1), QStringList({QStringLiteral("D"), QStringLiteral("B")}));
    QCOMPARE(env.store.ListPos[2], 1);
    QCOMPARE(env.store.ListPos[static_cast<size_t>(b)], 1);
    QCOMPARE(env.store.Notes[static_cast<size_t>(b)].List, 1);
    QCOMPARE(env.lists.frontList(), 1);
    QCOMPARE(front.last().at(0).toInt(), 1);
    QCOMPARE(env.lists.selectedLine(1), 1);
    QCOMPARE(env.state.CurrentNote, b);
    QVERIFY(!env.lists.isTicked(1, 1));
    QVERIFY(env.views.shown.isEmpty());
    // The periodic save runs only with DataChanged set, and rewrites the files whole while
    // FullSaveNeeded is set.
    QVERIFY(env.store.FullSaveNeeded);
    QVERIFY(env.store.DataChanged);
    QCOMPARE(env.store.Notes[static_cast<size_t>(b)].ChangeMark, mark::Modified);

    // And back again with the other button.
    env.store.FullSaveNeeded = false;
    env.store.DataChanged = false;
    env.lists.cmdMoveLeft_Click();
    QVERIFY(env.store.FullSaveNeeded);
    QVERIFY(env.store.DataChanged);
    QCOMPARE(env.lines(0),
             QStringList({QStringLiteral("A"), QStringLiteral("C"), QStringLiteral("B")}));
    QCOMPARE(env.lists.frontList(), 0);
}

void TestManager::removeLeavesDeletedLine() {
    ListsEnv env;
    QSignalSpy panel(&env.lists, &NoteLists::listPanelRequested);
    env.add(0, QStringLiteral("A"));
    const int b = env.add(0, QStringLiteral("B"));
    env.add(0, QStringLiteral("C"));
    env.lists.fill();
    env.lists.selectLine(0, 1);
    env.lists.cmdRemove_Click();

    QCOMPARE(env.lines(0), QStringList({QStringLiteral("A"), QStringLiteral("---Deleted---"),
                                        QStringLiteral("C")}));
    QVERIFY(!env.lists.isTicked(0, 1));
    QCOMPARE(env.views.hidden, QList<int>({b}));
    QCOMPARE(env.views.retired, QList<int>({b}));
    const auto& window = env.store.Windows[static_cast<size_t>(b)];
    QVERIFY(!window.Visible);
    QVERIFY(!window.Live);
    QCOMPARE(env.store.Notes[static_cast<size_t>(b)].ChangeMark, mark::Deleted);
    QVERIFY(env.store.FullSaveNeeded);
    QVERIFY(env.store.DataChanged);
    QCOMPARE(panel.count(), 1);
    QCOMPARE(env.messages.count(), 0);
}

void TestManager::removeRefusedChangesNothing() {
    ListsEnv env;
    env.settings.chkConfirmDelete = 1;
    const int a = env.add(0, QStringLiteral("A"), true);
    env.lists.fill();
    env.lists.selectLine(0, 0);
    env.messages.answers.enqueue(1);
    env.lists.cmdRemove_Click();

    QCOMPARE(env.messages.count(), 1);
    const auto& box = env.messages.shown.first();
    QCOMPARE(box.text, QStringLiteral("Are you sure?"));
    QCOMPARE(box.title, QStringLiteral("Confirm delete"));
    QCOMPARE(box.options.buttons, msgbox::Question.buttons);
    QCOMPARE(box.options.left, 1600);
    QCOMPARE(box.options.top, 3100);

    QCOMPARE(env.lines(0), QStringList({QStringLiteral("A")}));
    QVERIFY(env.lists.isTicked(0, 0));
    QVERIFY(env.store.Windows[static_cast<size_t>(a)].Live);
    QCOMPARE(env.store.Notes[static_cast<size_t>(a)].ChangeMark, mark::Blank);
    QVERIFY(!env.store.FullSaveNeeded);
    QVERIFY(!env.store.DataChanged);
    QVERIFY(env.views.retired.isEmpty());

    // Agreeing removes it; the automatic removal after sending never asks.
    env.lists.cmdRemove_Click();
    QCOMPARE(env.store.Notes[static_cast<size_t>(a)].ChangeMark, mark::Deleted);
    const int b = env.add(0, QStringLiteral("B"), true);
    env.lists.fill();
    env.lists.selectLine(0, 1);
    env.state.DeleteSentNote = true;
    env.settings.chkNetWriteLog = 1;
    env.lists.cmdRemove_Click();
    QCOMPARE(env.messages.count(), 2);
    QCOMPARE(env.store.Notes[static_cast<size_t>(b)].ChangeMark, mark::Deleted);
    QCOMPARE(env.log.lines.size(), 1);
    QCOMPARE(env.log.lines.first().line,
             QStringLiteral("suppression de la note : listindex=1 iNote=1"));
}

void TestManager::removedNoteLineCannotBeTicked_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("windowRebuilt");
    for (const char* how :
         {"tick box", "program tick", "search", "show all", "middle click", "remove again"}) {
        QTest::addRow("%s", how) << QString::fromLatin1(how) << false;
        QTest::addRow("%s, window rebuilt", how) << QString::fromLatin1(how) << true;
    }
}

void TestManager::removedNoteLineCannotBeTicked() {
    QFETCH(QString, how);
    QFETCH(bool, windowRebuilt);
    ListsEnv env;
    const int removed = env.add(0, QStringLiteral("Find me"), true, QStringLiteral("find me"));
    env.lists.fill();
    env.lists.selectLine(0, 0);
    env.lists.cmdRemove_Click();
    if (windowRebuilt) {
        // A window set built again gives every slot a live window; the mark still says
        // removed.
        env.store.Windows[static_cast<size_t>(removed)].Live = true;
        env.lists.fill();
    }
    env.views.shown.clear();
    QListWidgetItem* line = env.lists.list(0)->item(0);
    QVERIFY(!line->flags().testFlag(Qt::ItemIsUserCheckable));
    env.lists.selectLine(0, 0);
    if (how == QStringLiteral("tick box")) {
        line->setCheckState(Qt::Checked);
    } else if (how == QStringLiteral("program tick")) {
        env.lists.setTicked(0, 0, true);
    } else if (how == QStringLiteral("search")) {
        env.lists.cmdSearch_Click(QStringLiteral("find"));
    } else if (how == QStringLiteral("show all")) {
        env.lists.cmdShowAll_Click();
    } else if (how == QStringLiteral("remove again")) {
        env.lists.cmdRemove_Click();
    } else {
        env.lists.invertSelectedTick();
    }
    QVERIFY(!env.lists.isTicked(0, 0));
    QVERIFY(env.views.shown.isEmpty());
    QVERIFY(env.views.cursors.isEmpty());
    QCOMPARE(env.views.retired, QList<int>({removed}));
    QCOMPARE(env.store.Notes[static_cast<size_t>(removed)].ChangeMark, mark::Deleted);
    QCOMPARE(line->text(), QStringLiteral("---Deleted---"));
}

void TestManager::newNoteStepsClearOfNoteAtItsPlace() {
    ListsEnv env;
    env.settings.NoteDefaults.Left = 500;
    env.settings.NoteDefaults.Top = 700;
    env.lists.fill();
    const int first = env.lists.cmdNewNote_Click();
    QCOMPARE(env.store.Windows[static_cast<size_t>(first)].Left, 500.0F);
    QCOMPARE(env.store.Windows[static_cast<size_t>(first)].Top, 700.0F);
    // The next one lands a title bar lower and further right, and the one after that again.
    const int second = env.lists.cmdNewNote_Click();
    QCOMPARE(env.store.Windows[static_cast<size_t>(second)].Left, 695.0F);
    QCOMPARE(env.store.Windows[static_cast<size_t>(second)].Top, 895.0F);
    const int third = env.lists.cmdNewNote_Click();
    QCOMPARE(env.store.Windows[static_cast<size_t>(third)].Left, 890.0F);
    QCOMPARE(env.store.Windows[static_cast<size_t>(third)].Top, 1090.0F);
    // A removed note no longer holds its place.
    env.lists.selectLine(0, 0);
    env.lists.cmdRemove_Click();
    const int fourth = env.lists.cmdNewNote_Click();
    QCOMPARE(env.store.Windows[static_cast<size_t>(fourth)].Left, 500.0F);
    QCOMPARE(env.store.Windows[static_cast<size_t>(fourth)].Top, 700.0F);
}

void TestManager::searchShowsEveryMatch() {
    ListsEnv env;
    const int title = env.add(0, QStringLiteral("Notes abc"), false, QStringLiteral("xx abc"));
    const int text = env.add(0, QStringLiteral("Shopping"), false, QStringLiteral("milk, Abc."));
    const int none = env.add(0, QStringLiteral("Other"), false, QStringLiteral("nothing"));
    const int shown = env.add(0, QStringLiteral("Shown"), true, QStringLiteral("aBc"));
    env.add(1, QStringLiteral("abc in the other list"), false);
    env.lists.fill();

    env.lists.cmdSearch_Click(QStringLiteral("   "));
    QVERIFY(env.views.shown.isEmpty());

    env.lists.cmdSearch_Click(QStringLiteral("ABC"));
    QCOMPARE(env.views.shown, QList<int>({title, text}));
    QVERIFY(env.lists.isTicked(0, 0));
    QVERIFY(env.lists.isTicked(0, 1));
    QVERIFY(!env.lists.isTicked(0, 2));
    QVERIFY(env.lists.isTicked(0, 3));
    QVERIFY(!env.store.Windows[static_cast<size_t>(none)].Visible);
    // Only text matches move the cursor, to the start of the match.
    QCOMPARE(env.views.cursors, (QList<QPair<int, int>>{{text, 6}, {shown, 0}}));
    QCOMPARE(env.lists.selectedLine(0), 3);
    QCOMPARE(env.store.lineCount(1), 1);
    QVERIFY(!env.store.Windows[4].Visible);
}

void TestManager::randomTextColourNeedsMoreThan64_data() {
    QTest::addColumn<int>("background");
    QTest::addColumn<int>("candidate");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("plus 64") << 100 << 164 << false;
    QTest::newRow("plus 65") << 100 << 165 << true;
    QTest::newRow("minus 64") << 100 << 36 << false;
    QTest::newRow("minus 65") << 100 << 35 << true;
    QTest::newRow("equal") << 0 << 0 << false;
    QTest::newRow("extremes") << 0 << 255 << true;
}

void TestManager::randomTextColourNeedsMoreThan64() {
    QFETCH(int, background);
    QFETCH(int, candidate);
    QFETCH(bool, accepted);
    const int fallback = background < 128 ? 255 : 0;
    // Background r, g, b; then the candidate for every text component, each followed by a
    // value that is always far enough.
    const NoteColors colors =
        drawRandomColors(replay({background, background, background, candidate, fallback, candidate,
                                 fallback, candidate, fallback}));
    const auto rgb = [](int r, int g, int b) { return r | (g << 8) | (b << 16); };
    QCOMPARE(colors.back, rgb(background, background, background));
    const int text = accepted ? candidate : fallback;
    QCOMPARE(colors.fore, rgb(text, fallback, text));
}

void TestManager::newNoteTakesPrefixAndDefaults() {
    ListsEnv env;
    env.add(1, QStringLiteral("Event"));
    env.lists.fill();
    env.lists.optSelectList_Click(1);
    env.settings.txtPrefixNewNote = QStringLiteral("  Idea");
    NoteDefaultsRecord& defaults = env.settings.NoteDefaults;
    defaults.Left = 500;
    defaults.Top = 700;
    defaults.Width = 2000;
    defaults.Height = 2500;
    defaults.FontName = QStringLiteral("  Verdana  ");
    defaults.FontSize = 14;
    defaults.FontBold = true;
    defaults.AlwaysOnTop = true;
    defaults.ShowTitle = true;
    defaults.ShowScrollBar = true;
    defaults.AutoDim = true;
    defaults.BackColor = 0x00FFFF;
    defaults.ForeColor = 0x112233;
    defaults.AlarmFreq = QStringLiteral("J");
    defaults.AlarmSndFil = QStringLiteral("ding.wav");
    defaults.ImageMode = -2;

    env.lists.cmdNewNote_Click();
    const NoteRecord& note = env.store.Notes[1];
    const NoteWindowState& window = env.store.Windows[1];
    QVERIFY(note.Title.startsWith(QStringLiteral("Idea ")));
    QVERIFY(note.Title.size() <= width::Title);
    QCOMPARE(note.ChangeMark, mark::Created);
    QCOMPARE(note.List, 1);
    QVERIFY(note.ShowScrollBar);
    QVERIFY(note.AutoDim);
    QCOMPARE(note.AlarmFreq, QStringLiteral("J"));
    QCOMPARE(note.AlarmSndFil, QStringLiteral("ding.wav"));
    QCOMPARE(note.AlarmSpecial, QStringLiteral(" "));
    QVERIFY(note.ImageKeepRatio);
    QVERIFY(window.PictureStretched);
    QCOMPARE(window.Left, 500.0F);
    QCOMPARE(window.Height, 2500.0F);
    QCOMPARE(window.FontName, QStringLiteral("Verdana"));
    QCOMPARE(window.FontSize, 14.0F);
    QVERIFY(window.FontBold);
    QVERIFY(window.AlwaysOnTop);
    QCOMPARE(window.BackColor, 0x00FFFF);
    QCOMPARE(window.ForeColor, 0x112233);
    // Appended to the list in front, ticked, shown and focused.
    QCOMPARE(env.lines(1).last(), note.Title);
    QVERIFY(env.lists.isTicked(1, 1));
    QCOMPARE(env.views.created, QList<int>({1}));
    QCOMPARE(env.views.shown, QList<int>({1}));
    QCOMPARE(env.views.focused, QList<int>({1}));
    QCOMPARE(env.state.CurrentNote, 1);

    // A long prefix is cut to the title width; random colours contrast.
    env.settings.txtPrefixNewNote = QString(60, QLatin1Char('x'));
    env.settings.chkRandomColor = 1;
    env.lists.setRandomSource(replay({10, 20, 30, 200, 200, 200}));
    env.lists.cmdNewNote_Click();
    QCOMPARE(env.store.Notes[2].Title, QString(50, QLatin1Char('x')));
    QCOMPARE(env.store.Windows[2].BackColor, 10 | (20 << 8) | (30 << 16));
    QCOMPARE(env.store.Windows[2].ForeColor, 200 | (200 << 8) | (200 << 16));
}

void TestManager::tickShowsAndHides() {
    ListsEnv env;
    const int a = env.add(0, QStringLiteral("A"), false);
    env.lists.fill();
    QVERIFY(!env.lists.isTicked(0, 0));

    env.lists.setTicked(0, 0, true);
    QCOMPARE(env.views.shown, QList<int>({a}));
    QCOMPARE(env.store.Notes[0].ChangeMark, mark::Modified);
    env.store.Notes[0].ChangeMark = mark::Blank;

    env.lists.setTicked(0, 0, false);
    QCOMPARE(env.views.hidden, QList<int>({a}));
    QCOMPARE(env.store.Notes[0].ChangeMark, mark::Modified);

    // Program-made changes while UpdatingLists is set show nothing and mark nothing.
    env.store.Notes[0].ChangeMark = mark::Blank;
    env.store.UpdatingLists = true;
    env.lists.setTicked(0, 0, true);
    env.store.UpdatingLists = false;
    QCOMPARE(env.views.shown.size(), 1);
    QCOMPARE(env.store.Notes[0].ChangeMark, mark::Blank);

    // A text change of the line is not a tick change.
    env.lists.list(0)->item(0)->setText(QStringLiteral("A2"));
    QCOMPARE(env.views.shown.size(), 1);
    QCOMPARE(env.views.hidden.size(), 1);
}

void TestManager::alarmTooltip() {
    ListsEnv env;
    const int a = env.add(0, QStringLiteral("A"));
    QCOMPARE(env.lists.lineToolTip(a), std::optional<QString>(QStringLiteral("Alarm is disabled")));
    env.store.Notes[0].AlarmState = QStringLiteral("E");
    env.store.Notes[0].AlarmFreq = QStringLiteral("U");
    env.store.Notes[0].AlarmDate = 40000; // 2009, before the fake clock's now
    QCOMPARE(env.lists.lineToolTip(a), std::optional<QString>(QStringLiteral("Alarm has expired")));
    env.store.Notes[0].AlarmState = QStringLiteral("X");
    QCOMPARE(env.lists.lineToolTip(a), std::nullopt);
}

void TestManager::emptyTitleKeepsOldTitle() {
    ListsEnv env;
    const int a = env.add(0, QStringLiteral("Old title"));
    env.lists.fill();
    PropertiesPanel panel(env.ctx);
    QObject::connect(&panel, &PropertiesPanel::titleChanged, &env.lists,
                     &NoteLists::updateLineText);
    env.state.CurrentPanel = QStringLiteral("prop");
    panel.Fill(a);
    auto* title = panel.findChild<QLineEdit*>(QStringLiteral("txtTitre"));

    title->setText(QStringLiteral("   "));
    panel.txtTitre_LostFocus();
    QCOMPARE(env.store.Notes[0].Title, QStringLiteral("Old title"));
    QCOMPARE(title->text(), QStringLiteral("Old title"));
    // Leaving an unchanged title is not an edit.
    panel.txtTitre_LostFocus();
    QVERIFY(env.views.calls.isEmpty());
    QCOMPARE(env.store.Notes[0].ChangeMark, mark::Blank);

    title->setText(QStringLiteral("  New title "));
    panel.txtTitre_LostFocus();
    QCOMPARE(env.views.calls, QStringList({QStringLiteral("setTitle(0,New title)")}));
    QCOMPARE(env.lines(0), QStringList({QStringLiteral("New title")}));
    auto* status = panel.findChild<QLabel*>(QStringLiteral("lblStatus"));
    QCOMPARE(status->text(), QStringLiteral("Modified"));
}

void TestManager::panelHandlersQuietWhileFilling() {
    ListsEnv env;
    const int a = env.add(0, QStringLiteral("A"));
    env.store.Notes[0].AutoRoll = true;
    env.store.Notes[0].Locked = true;
    env.store.Windows[0].AlwaysOnTop = true;
    env.store.Windows[0].PictureShown = true;
    env.store.Notes[0].ChangeMark = mark::Created;
    PropertiesPanel panel(env.ctx);
    panel.Fill(a);
    QVERIFY(env.views.calls.isEmpty());
    QVERIFY(panel.findChild<QCheckBox*>(QStringLiteral("chkAutoRoll"))->isChecked());
    QVERIFY(panel.findChild<QCheckBox*>(QStringLiteral("chkAlwaysOnTop"))->isChecked());
    // While a note menu is open the box shows the state saved before it opened.
    env.views.menuSavedOnTop = false;
    panel.Fill(a);
    QVERIFY(!panel.findChild<QCheckBox*>(QStringLiteral("chkAlwaysOnTop"))->isChecked());
    env.views.menuSavedOnTop.reset();
    panel.Fill(a);
    QVERIFY(!panel.findChild<QCheckBox*>(QStringLiteral("chkShowScrollBar"))->isEnabled());
    QCOMPARE(panel.findChild<QLabel*>(QStringLiteral("lblStatus"))->text(),
             QStringLiteral("Created"));
    QCOMPARE(panel.findChild<QLabel*>(QStringLiteral("lblAlarm"))->text(),
             QStringLiteral("Alarm is disabled"));

    panel.findChild<QCheckBox*>(QStringLiteral("chkLocked"))->click();
    panel.findChild<QCheckBox*>(QStringLiteral("chkAutoDim"))->click();
    QCOMPARE(env.views.calls,
             QStringList({QStringLiteral("setLocked(0,0)"), QStringLiteral("setAutoDim(0,1)")}));

    // The link box stores the link and marks the note.
    auto* openFile = panel.findChild<QCheckBox*>(QStringLiteral("chkOpenFile"));
    panel.findChild<QLineEdit*>(QStringLiteral("txtFiletoOpen"))->setText(QStringLiteral("a.txt"));
    openFile->click();
    QVERIFY(env.store.Notes[0].OpenFile);
    QCOMPARE(env.store.Notes[0].FiletoOpen, QStringLiteral("a.txt"));

    // After a save the status follows the blank mark.
    env.store.Notes[0].ChangeMark = mark::Blank;
    panel.refreshStatus();
    QVERIFY(panel.findChild<QLabel*>(QStringLiteral("lblStatus"))->text().isEmpty());
}

void TestManager::readOnlyLinkedFileCannotBeUpdated() {
    ListsEnv env;
    const int a = env.add(0, QStringLiteral("A"));
    env.store.Notes[0].UpdateFile = true;
    const QString name = QStringLiteral("linked.txt");
    QFile file(env.folder.file(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    env.store.Notes[0].FiletoOpen = name;

    PropertiesPanel panel(env.ctx);
    auto* update = panel.findChild<QCheckBox*>(QStringLiteral("chkUpdateFile"));
    panel.Fill(a);
    QVERIFY(update->isEnabled());
    QVERIFY(update->isChecked());

    // A bare name is found in the program folder.
    QVERIFY(QFile::setPermissions(file.fileName(),
                                  QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    panel.CheckLinkedFile(name);
    QVERIFY(!update->isEnabled());
    QVERIFY(!update->isChecked());
    QVERIFY(!env.store.Notes[0].UpdateFile);

    // A missing file leaves the box usable.
    panel.CheckLinkedFile(QStringLiteral("missing.txt"));
    QVERIFY(update->isEnabled());
}

void TestManager::browseForLinkedFile() {
    ListsEnv env;
    const int a = env.add(0, QStringLiteral("A"));
    PropertiesPanel panel(env.ctx);
    panel.Fill(a);
    env.dialogs.files.enqueue(QStringLiteral("/tmp/chosen.txt"));
    panel.cmdPropBrowse_Click();
    QCOMPARE(env.store.Notes[0].FiletoOpen, QStringLiteral("/tmp/chosen.txt"));
    // A cancelled dialog changes nothing.
    env.store.Notes[0].ChangeMark = mark::Blank;
    panel.cmdPropBrowse_Click();
    QCOMPARE(env.store.Notes[0].FiletoOpen, QStringLiteral("/tmp/chosen.txt"));
    QCOMPARE(env.store.Notes[0].ChangeMark, mark::Blank);
}

void TestManager::panelControlsInTheirOrder() {
    ListsEnv env;
    const int a = env.add(0, QStringLiteral("A"));
    env.store.Notes[0].ChangeMark = mark::Modified;
    PropertiesPanel panel(env.ctx);
    panel.resize(640, 720);
    panel.Fill(a);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));

    // Top to bottom as the panel's controls are listed.
    int previousMiddle = -1;
    QString previous;
    for (const char* name :
         {"txtTitre", "txtSample", "optColor0", "cmdPropFont", "chkShowTitle", "chkAutoRoll",
          "chkAlwaysOnTop", "chkOpenFile", "txtFiletoOpen", "chkUpdateFile", "txtImagePath",
          "chkImageStretch", "cmdPropAlarm", "lblCreated", "lblModified", "lblStatus"}) {
        const auto* control = panel.findChild<QWidget*>(QLatin1String(name));
        QVERIFY2(control != nullptr, name);
        // Controls of one row sit at about the same height.
        const int middle = control->mapTo(&panel, QPoint(0, control->height() / 2)).y();
        QVERIFY2(middle >= previousMiddle - 3,
                 qPrintable(previous + QStringLiteral(" below ") + QLatin1String(name)));
        previousMiddle = middle;
        previous = QLatin1String(name);
    }

    // "Modified" once in a row: the status is not beside the date's caption.
    const auto* status = panel.findChild<QLabel*>(QStringLiteral("lblStatus"));
    QCOMPARE(status->text(), QStringLiteral("Modified"));
    const QRect statusRow(0, status->mapTo(&panel, QPoint(0, 0)).y(), panel.width(),
                          status->height());
    for (const QLabel* label : panel.findChildren<QLabel*>()) {
        if (label != status && label->isVisible() && label->text() == status->text()) {
            QVERIFY(
                !QRect(label->mapTo(&panel, QPoint(0, 0)), label->size()).intersects(statusRow));
        }
    }
}

void TestManager::typingGoesToTheNoteItWasTypedFor_data() {
    QTest::addColumn<QString>("field");
    QTest::newRow("title") << QStringLiteral("txtTitre");
    QTest::newRow("picture") << QStringLiteral("txtImagePath");
    QTest::newRow("linked file") << QStringLiteral("txtFiletoOpen");
}

void TestManager::typingGoesToTheNoteItWasTypedFor() {
    QFETCH(QString, field);
    Env env;
    const int a = env.add(0, QStringLiteral("A"));
    const int b = env.add(0, QStringLiteral("B"));
    frmStartup manager(env.ctx, {});
    manager.lists().fill();
    manager.openProperties(a);
    auto* edit = manager.propertiesPanel().findChild<QLineEdit*>(field);
    QTest::keyClicks(edit, QStringLiteral("typed"));
    const QString typed = edit->text();

    // Another note is clicked while the field still holds the focus.
    manager.noteActivated(b);
    QCOMPARE(manager.propertiesPanel().shownNote(), b);
    const auto value = [&env, &field](int slot) {
        return fieldOf(env.store.Notes[static_cast<size_t>(slot)], field);
    };
    QCOMPARE(value(a), typed);
    QVERIFY(value(b) != typed);
    QCOMPARE(edit->text(), value(b).trimmed());

    // Typing followed by OK is kept as well.
    QTest::keyClicks(edit, QStringLiteral("2"));
    manager.propertiesPanel().cmdPropOK_Click();
    QCOMPARE(value(b), edit->text());
}

void TestManager::retypedPicturePathReadsThePictureAgain() {
    ListsEnv env;
    const int a = env.add(0, QStringLiteral("A"));
    env.store.Notes[0].ImagePath = QStringLiteral("pic.png");
    env.state.CurrentPanel = QStringLiteral("prop");
    PropertiesPanel panel(env.ctx);
    panel.Fill(a);
    auto* path = panel.findChild<QLineEdit*>(QStringLiteral("txtImagePath"));

    // The file may have been replaced: leaving or Enter reads it again, and the note is not
    // changed by that.
    panel.txtImagePath_LostFocus();
    QTest::keyClick(path, Qt::Key_Return);
    QCOMPARE(env.views.calls, QStringList(2, QStringLiteral("setTypedPicturePath(0,pic.png)")));
    QCOMPARE(env.store.Notes[0].ChangeMark, mark::Blank);
    QVERIFY(!env.store.DataChanged);
    QVERIFY(panel.findChild<QLabel*>(QStringLiteral("lblStatus"))->text().isEmpty());

    // A new path is an edit.
    path->setText(QStringLiteral("other.png"));
    QTest::keyClick(path, Qt::Key_Return);
    QCOMPARE(env.store.Notes[0].ImagePath, QStringLiteral("other.png"));
    QCOMPARE(env.store.Notes[0].ChangeMark, mark::ModifiedContent);
    QVERIFY(env.store.DataChanged);
}

void TestManager::fieldsTakeWhatTheirBytesHold_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("typed");
    // 20 characters of three bytes each: more than the title's 50 bytes.
    QTest::newRow("Japanese title")
        << QStringLiteral("txtTitre") << int(width::Title)
        << QStringLiteral("日本語のタイトルはとても長いですね本当に長い");
    // 52 characters, 91 bytes: more than the picture path's 64.
    QTest::newRow("picture path")
        << QStringLiteral("txtImagePath") << int(width::ImagePath)
        << QStringLiteral("/home/ユーザー/写真/休暇の写真/海辺の夕日と山の景色/img-2024-08-15.png");
    QTest::newRow("linked file") << QStringLiteral("txtFiletoOpen") << int(width::FiletoOpen)
                                 << QStringLiteral("/data/")
                                        .append(QString(60, QChar(0x00E9)))
                                        .append(QString(30, QChar(0x4E00)));
}

void TestManager::fieldsTakeWhatTheirBytesHold() {
    QFETCH(QString, field);
    QFETCH(int, width);
    QFETCH(QString, typed);
    QVERIFY(textcodec::encode(typed).size() > width);
    ListsEnv env;
    const int a = env.add(0, QStringLiteral("A"));
    env.state.CurrentPanel = QStringLiteral("prop");
    PropertiesPanel panel(env.ctx);
    panel.Fill(a);
    auto* edit = panel.findChild<QLineEdit*>(field);
    edit->clear();
    QSignalSpy refused(edit, &QLineEdit::inputRejected);
    // Typed until the field refuses a character.
    qsizetype typedCount = 0;
    while (typedCount < typed.size() && refused.isEmpty()) {
        typeText(edit, typed.mid(typedCount++, 1));
    }

    // Full: what it holds fits, the refused character would not, and it said so.
    QVERIFY(!refused.isEmpty());
    const QString held = edit->text();
    QCOMPARE(held, typed.left(typedCount - 1));
    QVERIFY(textcodec::encode(held).size() <= width);
    QVERIFY(textcodec::encode(typed.left(typedCount)).size() > width);
    QCOMPARE(QToolTip::text(), ByteLimitValidator::limitText(width));

    // What is stored comes back whole from the data file's field.
    panel.cmdPropOK_Click();
    const QString stored = fieldOf(env.store.Notes[0], field);
    QCOMPARE(stored.trimmed(), held.trimmed());
    QCOMPARE(textcodec::decodeFixed(textcodec::encodeFixed(stored, width)), stored.trimmed());
}

namespace {

struct DecoderCounts {
    int toggles = 0;
    int newNotes = 0;
    int menus = 0;
    int inverts = 0;
    bool boxOpen = false;

    TrayClickDecoder::Actions actions() {
        return {[this] { ++toggles; }, [this] { ++newNotes; }, [this] { ++menus; },
                [this] { ++inverts; }, [this] { return boxOpen; }};
    }
};

} // namespace

void TestManager::trayClicks_data() {
    QTest::addColumn<QList<int>>("events"); // TrayEvent, one every 150 ms
    QTest::addColumn<bool>("boxOpen");
    QTest::addColumn<QList<int>>("expected"); // toggles, new notes, menus, inverts
    const auto ev = [](TrayEvent e) { return static_cast<int>(e); };
    QTest::newRow("left click toggles")
        << QList<int>{ev(TrayEvent::LeftPress)} << false << QList<int>{1, 0, 0, 0};
    QTest::newRow("double click makes a note only")
        << QList<int>{ev(TrayEvent::LeftPress), ev(TrayEvent::DoubleClick)} << false
        << QList<int>{0, 1, 0, 0};
    QTest::newRow("right click opens the menu")
        << QList<int>{ev(TrayEvent::RightPress)} << false << QList<int>{0, 0, 1, 0};
    QTest::newRow("middle click inverts")
        << QList<int>{ev(TrayEvent::MiddlePress)} << false << QList<int>{0, 0, 0, 1};
    QTest::newRow("ctrl and left click inverts")
        << QList<int>{ev(TrayEvent::CtrlLeftPress)} << false << QList<int>{0, 0, 0, 1};
    for (const TrayEvent e : {TrayEvent::LeftPress, TrayEvent::DoubleClick, TrayEvent::RightPress,
                              TrayEvent::MiddlePress}) {
        QTest::addRow("ignored while a box is open (%d)", ev(e))
            << QList<int>{ev(e)} << true << QList<int>{0, 0, 0, 0};
    }
}

void TestManager::trayClicks() {
    QFETCH(QList<int>, events);
    QFETCH(bool, boxOpen);
    QFETCH(QList<int>, expected);
    DecoderCounts counts;
    counts.boxOpen = boxOpen;
    TrayClickDecoder decoder(counts.actions(), [] { return qint64(0); });
    qint64 now = 1000;
    for (const int event : events) {
        decoder.feed(static_cast<TrayEvent>(event), now);
        now += 150;
    }
    const qint64 last = now - 150;
    // The latest click is acted on once 0.3 s have passed since it, and only once.
    QVERIFY(!decoder.settle(last + TrayClickDecoder::WaitMs - 1));
    QVERIFY(decoder.settle(last + TrayClickDecoder::WaitMs));
    counts.boxOpen = false;
    QVERIFY(!decoder.settle(last + 5000));
    QCOMPARE((QList<int>{counts.toggles, counts.newNotes, counts.menus, counts.inverts}), expected);
}

void TestManager::trayActsThroughItsTimerOnTheLists() {
    FakeClock clock;
    ListsEnv env;
    const int a = env.add(0, QStringLiteral("A"), false);
    env.lists.fill();
    TrayIcon tray(env.lists, env.store, {}, [&clock] { return clock.monotonicMs(); });
    // Middle click with no selected line does nothing; with one it shows that line's note.
    tray.decoder().feed(TrayEvent::MiddlePress, clock.monotonicMs());
    clock.advanceMs(TrayClickDecoder::WaitMs);
    QVERIFY(tray.decoder().settle(clock.monotonicMs()));
    QVERIFY(env.views.shown.isEmpty());
    env.lists.selectLine(0, 0);
    tray.decoder().feed(TrayEvent::CtrlLeftPress, clock.monotonicMs());
    clock.advanceMs(TrayClickDecoder::WaitMs);
    QTRY_COMPARE(env.views.shown, QList<int>({a}));
}

void TestManager::trayMenuShowsFirstTwentyNotes() {
    ListsEnv env;
    for (int i = 0; i < 25; ++i) {
        env.add(0, QStringLiteral("  Note %1 & co  ").arg(i));
    }
    env.add(1, QStringLiteral("Event"));
    env.store.Windows[3].Live = false;
    env.lists.fill();
    TrayIcon tray(env.lists, env.store, {}, [] { return qint64(0); });
    tray.fillPopupMenu();

    const auto visible = [&tray] {
        return static_cast<int>(
            std::count_if(tray.noteEntries().begin(), tray.noteEntries().end(),
                          [](const QAction* action) { return action->isVisible(); }));
    };
    QCOMPARE(tray.noteEntries().size(), 20);
    QCOMPARE(visible(), 19);
    QCOMPARE(tray.noteEntries().at(0)->text(), QStringLiteral("Note 0 && co"));

    // A note entry shows or hides its note; a shorter list hides the entries past its end.
    tray.noteEntries().at(2)->trigger();
    QCOMPARE(env.views.hidden, QList<int>({2}));
    for (int i = 0; i < 10; ++i) {
        env.lists.selectLine(0, 0);
        env.lists.cmdMoveRight_Click();
        env.lists.optSelectList_Click(0);
    }
    tray.fillPopupMenu();
    QCOMPARE(visible(), 15);
}

void TestManager::closeBoxConfirmsPanelAndKeepsRunning() {
    Env env;
    env.add(0, QStringLiteral("A"));
    int refreshStarts = 0;
    ManagerHooks hooks;
    hooks.startAutoRefresh = [&refreshStarts] { ++refreshStarts; };
    frmStartup manager(env.ctx, hooks);
    manager.setTrayAvailable(true);
    manager.lists().fill();
    manager.show();
    QVERIFY(QTest::qWaitForWindowExposed(&manager));

    manager.lists().selectLine(0, 0);
    manager.cmdProperties_Click();
    QCOMPARE(env.state.CurrentPanel, QStringLiteral("prop"));
    QVERIFY(!manager.close());
    QVERIFY(manager.isVisible());
    QCOMPARE(env.state.CurrentPanel, QStringLiteral("liste"));
    auto* panels = manager.findChild<QStackedWidget*>();
    QCOMPARE(panels->currentWidget()->objectName(), QStringLiteral("fraListe"));

    // Setup placeholder: the close box acts as its OK.
    manager.cmdSetup_Click();
    QVERIFY(!manager.close());
    QCOMPARE(env.state.CurrentPanel, QStringLiteral("liste"));
    QVERIFY(manager.isVisible());

    // On the list panel the close box hides the manager; auto refresh starts.
    env.settings.chkAutoRefresh = 1;
    QVERIFY(!manager.close());
    QVERIFY(!manager.isVisible());
    QVERIFY(env.state.SettingsChanged);
    QCOMPARE(refreshStarts, 1);

    // Properties asked for by a note show the manager, and OK hides it again.
    manager.openProperties(0);
    QVERIFY(manager.isVisible());
    QVERIFY(env.state.ShownForProperties);
    QCOMPARE(env.state.CurrentPanel, QStringLiteral("prop"));
    QVERIFY(!manager.close());
    QVERIFY(!manager.isVisible());
    QVERIFY(!env.state.ShownForProperties);

    // A real quit lets the close through.
    manager.show();
    manager.setQuitting(true);
    QVERIFY(manager.close());
}

void TestManager::closeBoxWithoutTrayMinimises() {
    Env env;
    frmStartup manager(env.ctx, {});
    manager.setTrayAvailable(false);
    manager.show();
    QVERIFY(QTest::qWaitForWindowExposed(&manager));
    QVERIFY(!manager.close());
    QVERIFY(manager.isVisible());
    QTRY_VERIFY(manager.isMinimized());
    QVERIFY(!manager.managerVisible());
    manager.Show_Hide_Quillaboard();
    QTRY_VERIFY(!manager.isMinimized());
    QVERIFY(manager.managerVisible());
}

void TestManager::activatedNoteRefillsPanelInFront() {
    Env env;
    env.add(0, QStringLiteral("A"));
    const int event = env.add(1, QStringLiteral("Event"));
    frmStartup manager(env.ctx, {});
    manager.lists().fill();
    QSignalSpy alarm(&manager, &frmStartup::alarmPanelRefreshRequested);

    manager.openProperties(0);
    manager.noteActivated(event);
    QCOMPARE(manager.propertiesPanel().shownNote(), event);
    QCOMPARE(manager.lists().frontList(), 1);
    QCOMPARE(env.state.CurrentNote, event);

    manager.showPanel(QStringLiteral("alarm"));
    manager.noteActivated(0);
    QCOMPARE(env.state.CurrentPanel, QStringLiteral("alarm"));
    QCOMPARE(alarm.count(), 1);
    QCOMPARE(alarm.first().at(0).toInt(), 0);
    QCOMPARE(manager.propertiesPanel().shownNote(), 0);
}

void TestManager::shownManagerIsAboveAlwaysOnTopNotesUntilANoteIsActivated() {
    Env env;
    const int a = env.add(0, QStringLiteral("A"));
    frmStartup manager(env.ctx, {});
    manager.setTrayAvailable(true);
    manager.lists().fill();

    manager.Show_Hide_Quillaboard();
    QVERIFY(manager.isVisible());
    QVERIFY(manager.onTop());
    QVERIFY(QTest::qWaitForWindowExposed(&manager));
    QVERIFY(manager.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));

    // Activating a note puts the manager back among the other windows, in place.
    manager.noteActivated(a);
    QVERIFY(!manager.onTop());
    QVERIFY(!manager.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(manager.isVisible());

    // Hidden, and shown again from the tray: on top again, and not after hiding.
    manager.Show_Hide_Quillaboard();
    QVERIFY(!manager.isVisible());
    manager.Show_Hide_Quillaboard();
    QVERIFY(manager.onTop());
    manager.Show_Hide_Quillaboard();
    QVERIFY(!manager.onTop());
}

QTEST_MAIN(TestManager)
#include "tst_manager.moc"
