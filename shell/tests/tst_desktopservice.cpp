#include "manager/desktopoptions.h"
#include "manager/frmrestore.h"
#include "manager/frmstartup.h"
#include "notewindow/frmblocnote.h"
#include "notewindow/notecommands.h"
#include "notewindow/notewindowset.h"
#include "platform/appstore.h"
#include "platform/testing/testmain.h"
#include "platform/twips.h"
#include "platform/windowops.h"
#include "shell/desktopservice.h"
#include "shell/program.h"
#include "store/recordcodec.h"
#include "tempprogramfolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

QByteArray iniLine(const char* key, const QString& value) {
    return QByteArray(key).leftJustified(20) + value.leftJustified(128).toLatin1() + "\r\n";
}

// One note per entry: its title and its place in pixels.
QByteArray notesAt(const QList<std::pair<QString, QPoint>>& notes) {
    QByteArray bytes;
    for (const auto& [title, at] : notes) {
        NoteRecord r;
        r.setTitle(title);
        NoteWindowState w;
        w.Left = twips::fromPx(at.x());
        w.Top = twips::fromPx(at.y());
        w.Width = w.Height = 3000;
        w.Visible = true;
        bytes += recordcodec::encode(r, w, 1);
    }
    return bytes;
}

using qbtest::writeFile;

const QKeySequence CtrlAltN(Qt::ControlModifier | Qt::AltModifier | Qt::Key_N);
const QKeySequence CtrlShiftK(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_K);

} // namespace

// The program at home on a Linux desktop: the quick-note shortcut, workspaces, screens that go
// away, the way back from the daily snapshots, and the choice of window system.
class TestDesktopService : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void quickNoteShortcut_data();
    void quickNoteShortcut();
    void workspaceChoiceIsKept();
    void notesOutsideEveryScreenComeBack();
    void restoredNotesArriveAsNewNotes();
    void windowSystemOfASession_data();
    void windowSystemOfASession();

private:
    void start(const QByteArray& data, bool multiScreens = false);
    [[nodiscard]] QString file(const char* name) const { return m_folder + QLatin1String(name); }
    std::unique_ptr<TempProgramFolder> m_root;
    QString m_folder;
    std::unique_ptr<Program> m_program;
};

void TestDesktopService::init() {
    m_root = std::make_unique<TempProgramFolder>();
    m_root->exportEnvironment();
    m_folder = m_root->folder();
}

void TestDesktopService::cleanup() {
    if (m_program)
        m_program->shutdown();
    m_program.reset();
}

void TestDesktopService::start(const QByteArray& data, bool multiScreens) {
    writeFile(
        file("Quillaboard.ini"),
        iniLine("[Version]", Program::runningVersion()) +
            iniLine("[MultiScreens]", multiScreens ? QStringLiteral("1") : QStringLiteral("0")) +
            iniLine("[End of INI]", {}));
    writeFile(file("Quillaboard.dat"), data);
    m_program = std::make_unique<Program>(ProgramFolder(m_folder));
    QVERIFY(m_program->start());
}

void TestDesktopService::quickNoteShortcut_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("offered");
    QTest::addColumn<QKeySequence>("taken");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<GlobalShortcut::Status>("status");
    using S = GlobalShortcut::Status;
    QTest::newRow("first run") << QString() << true << QKeySequence() << CtrlAltN << S::Registered;
    QTest::newRow("the user's key")
        << QStringLiteral("Ctrl+Shift+K") << true << QKeySequence() << CtrlShiftK << S::Registered;
    QTest::newRow("no key") << QStringLiteral("none") << true << QKeySequence() << QKeySequence()
                            << S::Off;
    QTest::newRow("held by another program")
        << QString() << true << CtrlAltN << CtrlAltN << S::Taken;
    QTest::newRow("a desktop without shortcuts")
        << QString() << false << QKeySequence() << CtrlAltN << S::NotOffered;
}

void TestDesktopService::quickNoteShortcut() {
    QFETCH(QString, stored);
    QFETCH(bool, offered);
    QFETCH(QKeySequence, taken);
    QFETCH(QKeySequence, keys);
    QFETCH(GlobalShortcut::Status, status);
    if (!stored.isEmpty())
        QVERIFY(appstore::writeValue(DesktopService::ShortcutValue, stored));
    start(notesAt({{QStringLiteral("first"), QPoint(10, 10)}}));
    DesktopService& desktop = *m_program->desktop();
    auto fake = std::make_unique<FakeGlobalShortcut>();
    FakeGlobalShortcut& desk = *fake;
    desk.offered = offered;
    if (!taken.isEmpty())
        desk.takenByOthers.append(taken);
    desktop.useGlobalShortcut(std::move(fake));
    QCOMPARE(desk.requests, QList<QKeySequence>{keys});
    QCOMPARE(desk.status(), status);
    // The setup panel says what became of the key.
    QCOMPARE(desktop.options()->lblShortcutStatus->text(), GlobalShortcut::describe(status));

    desk.press(keys.isEmpty() ? CtrlAltN : keys);
    const int created = status == GlobalShortcut::Status::Registered ? 1 : 0;
    QCOMPARE(m_program->store().LastNote(), created);
    if (created == 1) {
        // A new note of the normal list, shown, with the keys.
        QCOMPARE(m_program->store().Notes.at(1).List, std::int16_t(0));
        frmBlocNote* note = m_program->noteWindows()->existingWindow(1);
        QVERIFY(note && note->isVisible());
        QTRY_COMPARE(QApplication::focusWidget(), note->textBox());
    }

    // A key chosen in the setup panel is registered and kept for the next start.
    desktop.options()->txtShortcut->setKeySequence(CtrlShiftK);
    emit desktop.options()->txtShortcut->editingFinished();
    QCOMPARE(desk.requests.last(), CtrlShiftK);
    QCOMPARE(appstore::readValue(DesktopService::ShortcutValue), QStringLiteral("Ctrl+Shift+K"));
    desktop.options()->cmdNoShortcut->click();
    QCOMPARE(desk.requests.last(), QKeySequence());
    QCOMPARE(appstore::readValue(DesktopService::ShortcutValue), QStringLiteral("none"));
}

void TestDesktopService::workspaceChoiceIsKept() {
    start(notesAt({{QStringLiteral("first"), QPoint(10, 10)}}));
    frmBlocNote* note = m_program->noteWindows()->existingWindow(0);
    QVERIFY(note && note->isVisible());
    // Every workspace unless the user said otherwise.
    QVERIFY(windowops::onAllWorkspaces(note));
    m_program->desktop()->options()->chkAllWorkspaces->click();
    QVERIFY(!windowops::onAllWorkspaces(note));
    QCOMPARE(appstore::readValue(DesktopService::AllWorkspacesValue), QStringLiteral("0"));
    m_program->shutdown();
    m_program.reset();

    // The choice holds for the windows of the next start, shown again after being hidden too.
    start(notesAt({{QStringLiteral("first"), QPoint(10, 10)}}));
    note = m_program->noteWindows()->existingWindow(0);
    QVERIFY(!m_program->desktop()->options()->chkAllWorkspaces->isChecked());
    note->setProperty(windowops::StickyProperty, true);
    note->hide();
    note->show();
    QVERIFY(!windowops::onAllWorkspaces(note));
}

void TestDesktopService::notesOutsideEveryScreenComeBack() {
    // Saved on a desktop larger than this one, with notes on several screens.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    start(notesAt({{QStringLiteral("here"), QPoint(20, 30)},
                   {QStringLiteral("gone"), screen.topRight() + QPoint(500, 40)}}),
          true);
    NoteStore& store = m_program->store();
    const auto at = [&store](int slot) {
        const NoteWindowState& w = store.Windows.at(static_cast<size_t>(slot));
        return QPoint(twips::toPx(w.Left), twips::toPx(w.Top));
    };
    QCOMPARE(at(0), QPoint(20, 30));
    QVERIFY(screen.contains(QRect(at(1), QSize(200, 200))));
    QCOMPARE(m_program->noteWindows()->existingWindow(1)->pos(), at(1));

    // A second screen at the right is unplugged: its note comes onto the first, the other
    // stays where it is.
    const QRect right(screen.right() + 1, 0, 800, 600);
    m_program->noteWindows()->existingWindow(1)->move(right.topLeft() + QPoint(300, 100));
    QCOMPARE(at(1), right.topLeft() + QPoint(300, 100));
    store.DataChanged = false;
    QCOMPARE(m_program->desktop()->bringNotesInside({{screen, screen}, {right, right}}), 0);
    QCOMPARE(m_program->desktop()->bringNotesInside({{screen, screen}}), 1);
    QCOMPARE(at(0), QPoint(20, 30));
    QCOMPARE(at(1), QPoint(screen.right() + 1 - 200, 100));
    QCOMPARE(m_program->noteWindows()->existingWindow(1)->pos(), at(1));
    QVERIFY(store.DataChanged);
}

void TestDesktopService::restoredNotesArriveAsNewNotes() {
    start(notesAt(
        {{QStringLiteral("kept"), QPoint(10, 10)}, {QStringLiteral("lost"), QPoint(40, 40)}}));
    // Today's snapshot; later changes wait for tomorrow's.
    DesktopService& desktop = *m_program->desktop();
    QCOMPARE(desktop.takeSnapshot(QDate::currentDate()), snapshots::Outcome::Written);
    m_program->noteWindows()->commands().setTitle(0, QStringLiteral("kept, edited"));
    m_program->store().markDeleted(1);
    m_program->saveAll();
    QCOMPARE(desktop.takeSnapshot(QDate::currentDate()), snapshots::Outcome::AlreadyToday);

    desktop.openRestore();
    frmRestore* restore = desktop.restoreWindow();
    QVERIFY(restore && restore->isVisible());
    QCOMPARE(restore->lstSnapshots->count(), 1);
    QVERIFY(restore->lstSnapshots->item(0)->text().contains(QLatin1String("2 notes")));
    QCOMPARE(restore->lstSnapshotNotes->count(), 2);
    QVERIFY(!restore->cmdRestore->isEnabled());
    restore->lstSnapshotNotes->item(1)->setCheckState(Qt::Checked);
    restore->lstSnapshotNotes->item(0)->setCheckState(Qt::Checked);
    restore->cmdRestore->click();

    // Both come back as new notes beside the current one, which is as it was.
    QStringList titles;
    const NoteStore& store = m_program->store();
    for (int slot : store.ListEntries[0])
        titles << store.Notes.at(static_cast<size_t>(slot)).trimmedTitle();
    QCOMPARE(titles, (QStringList{QStringLiteral("kept, edited"), QStringLiteral("kept"),
                                  QStringLiteral("lost")}));
    QVERIFY(restore->lblStatus->text().startsWith(QLatin1String("2 note")));
    QVERIFY(!QFile::exists(file("Quillaboard.new")));
    QCOMPARE(QFile(file("Quillaboard.dat")).size(), 3 * 32530);
}

void TestDesktopService::windowSystemOfASession_data() {
    QTest::addColumn<QByteArray>("wayland");
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("chosen");
    QTest::addColumn<QByteArray>("platform");
    QTest::newRow("Wayland with XWayland")
        << QByteArray("wayland-0") << QByteArray(":0") << QByteArray() << QByteArray("xcb");
    QTest::newRow("Wayland alone")
        << QByteArray("wayland-0") << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("X11") << QByteArray() << QByteArray(":0") << QByteArray() << QByteArray();
    QTest::newRow("the user's choice")
        << QByteArray("wayland-0") << QByteArray(":0") << QByteArray("wayland") << QByteArray();
}

void TestDesktopService::windowSystemOfASession() {
    QFETCH(QByteArray, wayland);
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, chosen);
    QFETCH(QByteArray, platform);
    const QByteArray saved[] = {qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"),
                                qgetenv("QT_QPA_PLATFORM"), qgetenv("XDG_SESSION_TYPE")};
    qputenv("WAYLAND_DISPLAY", wayland);
    qputenv("DISPLAY", display);
    qputenv("QT_QPA_PLATFORM", chosen);
    qunsetenv("XDG_SESSION_TYPE");
    const QByteArray preferred = DesktopService::preferredPlatform();
    qputenv("WAYLAND_DISPLAY", saved[0]);
    qputenv("DISPLAY", saved[1]);
    qputenv("QT_QPA_PLATFORM", saved[2]);
    qputenv("XDG_SESSION_TYPE", saved[3]);
    QCOMPARE(preferred, platform);
}

QB_TEST_CLASS(TestDesktopService)
#include "tst_desktopservice.moc"
