#include "shell/desktopservice.h"

#include "localisation/messageboxservice.h"
#include "manager/desktopoptions.h"
#include "manager/frmrestore.h"
#include "manager/frmstartup.h"
#include "manager/notelists.h"
#include "notewindow/frmblocnote.h"
#include "notewindow/notewindowset.h"
#include "platform/appstore.h"
#include "platform/fileio.h"
#include "platform/twips.h"
#include "platform/windowops.h"
#include "shell/program.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QWindow>

#if __has_include("manager/setuppanel.h")
#include "manager/setuppanel.h"
#define QB_HAVE_SETUP_PANEL 1
#endif

namespace {

// The day's snapshot is looked for this often, so a program that runs for days keeps one a day.
constexpr int SnapshotCheckMs = 60 * 60 * 1000;
// After a load, once the notes are on the screen: the copy reads both data files.
constexpr int SnapshotAfterLoadMs = 3000;

const QString WaylandText = QStringLiteral(
    "This desktop runs Quillaboard as a Wayland program, and Wayland does not let a program "
    "place its own windows: the notes open where the desktop puts them, and their positions "
    "are not kept.\r\nIn a session that offers XWayland the program uses it and keeps them.");

} // namespace

QKeySequence DesktopService::defaultShortcut() {
    return QKeySequence(Qt::ControlModifier | Qt::AltModifier | Qt::Key_N);
}

QByteArray DesktopService::preferredPlatform() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return {};
    const bool wayland =
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland";
    if (wayland && !qEnvironmentVariableIsEmpty("DISPLAY"))
        return QByteArrayLiteral("xcb");
    return {};
}

QIcon DesktopService::programIcon() {
    // The shapes of desktop/quillaboard.svg, on its 128-unit grid.
    const auto draw = [](int size) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 128.0, size / 128.0);
        const auto note = [](double dx, double dy) {
            QPainterPath path;
            path.moveTo(12 + dx, 12 + dy);
            path.lineTo(112 + dx, 12 + dy);
            path.lineTo(112 + dx, 92 + dy);
            path.lineTo(88 + dx, 116 + dy);
            path.lineTo(12 + dx, 116 + dy);
            path.closeSubpath();
            return path;
        };
        const QPen edge(QColor(0xB0, 0x8A, 0x14), 2, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
        p.fillPath(note(3, 4), QColor(0, 0, 0, 51));
        p.setPen(edge);
        p.setBrush(QColor(0xFF, 0xE4, 0x5C));
        p.drawPath(note(0, 0));
        p.setPen(Qt::NoPen);
        p.fillRect(QRectF(12, 12, 100, 20), QColor(0x3A, 0x6E, 0xA5));
        p.setBrush(QColor(0xFF, 0xFF, 0x00));
        p.drawRoundedRect(QRectF(17, 16, 7, 12), 2, 2);
        p.setBrush(QColor(0x19, 0xD1, 0x19));
        p.drawEllipse(QPointF(86, 22), 5, 5);
        p.fillRect(QRectF(96, 19, 11, 3), Qt::white);
        p.setBrush(QColor(0x8A, 0x6D, 0x12));
        for (const QRectF& line :
             {QRectF(24, 46, 72, 6), QRectF(24, 62, 64, 6), QRectF(24, 78, 48, 6)})
            p.drawRoundedRect(line, 3, 3);
        QPainterPath corner;
        corner.moveTo(112, 92);
        corner.lineTo(88, 116);
        corner.lineTo(88, 92);
        corner.closeSubpath();
        p.setPen(edge);
        p.setBrush(QColor(0xE0, 0xBE, 0x2E));
        p.drawPath(corner);
        return pixmap;
    };
    // Every window sends these to the display when it is made: 128 and 256 would be 330 KB
    // for each note, which hundreds of notes feel at start-up. Launchers take the SVG.
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64})
        icon.addPixmap(draw(size));
    return icon;
}

void DesktopService::choosePlatform() {
    const QByteArray platform = preferredPlatform();
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
}

DesktopService::DesktopService(Program& program, std::unique_ptr<GlobalShortcut> shortcut,
                               QObject* parent)
    : QObject(parent)
    , m_program(program) {
    m_allWorkspaces = appstore::readValue(AllWorkspacesValue) != QLatin1String("0");
    const QString stored = appstore::readValue(ShortcutValue);
    m_keys = stored.isEmpty()       ? defaultShortcut()
             : stored == NoShortcut ? QKeySequence()
                                    : QKeySequence::fromString(stored, QKeySequence::PortableText);
    // Every note window is put on its workspaces just before it is mapped.
    qApp->installEventFilter(this);
    for (QScreen* screen : QGuiApplication::screens())
        watchScreen(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, &DesktopService::watchScreen);
    connect(qApp, &QGuiApplication::screenRemoved, this,
            [this](QScreen* screen) { screensChanged(screen); });
    m_snapshotTimer.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_snapshotTimer, &QTimer::timeout, this, [this] {
        (void)takeSnapshot(QDate::currentDate());
        m_snapshotTimer.start(SnapshotCheckMs);
    });
    if (frmStartup* manager = m_program.manager())
        connect(manager, &frmStartup::restoreRequested, this, &DesktopService::openRestore);
    installOptions();
    useGlobalShortcut(std::move(shortcut));
    warnOnceOnWayland();
}

DesktopService::~DesktopService() {
    shutdown();
    if (qApp != nullptr)
        qApp->removeEventFilter(this);
}

void DesktopService::shutdown() {
    m_snapshotTimer.stop();
    if (m_restore)
        m_restore->close();
}

void DesktopService::installOptions() {
    m_options = new DesktopOptions;
    m_options->setAllWorkspaces(m_allWorkspaces);
    m_options->setShortcut(m_keys);
    connect(m_options, &DesktopOptions::allWorkspacesToggled, this,
            &DesktopService::setNotesOnAllWorkspaces);
    connect(m_options, &DesktopOptions::shortcutChosen, this, &DesktopService::setShortcut);
    connect(this, &DesktopService::shortcutStatusChanged, m_options,
            [this](GlobalShortcut::Status status) {
                m_options->setStatus(GlobalShortcut::describe(status));
            });
#ifdef QB_HAVE_SETUP_PANEL
    if (frmStartup* manager = m_program.manager()) {
        if (SetupPanel* setup = manager->findChild<SetupPanel*>()) {
            setup->addSection(m_options);
            return;
        }
    }
#endif
    // Without a setup panel to hold them the options live with the service.
    connect(this, &QObject::destroyed, m_options.data(), &QObject::deleteLater);
}

void DesktopService::notesLoaded() {
    // The windows of a load were shown before this service watched them.
    applyWorkspaces();
    (void)bringNotesInside(currentScreens());
    m_snapshotTimer.start(SnapshotAfterLoadMs);
}

// Screens

void DesktopService::watchScreen(QScreen* screen) {
    // A smaller resolution leaves notes outside just as an unplugged screen does.
    connect(screen, &QScreen::geometryChanged, this, [this] { screensChanged(nullptr); });
}

void DesktopService::screensChanged(const QScreen* leaving) {
    (void)bringNotesInside(currentScreens(leaving));
}

QList<screenfit::Screen> DesktopService::currentScreens(const QScreen* leaving) {
    QList<screenfit::Screen> out;
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != leaving)
            out.append({screen->geometry(), screen->availableGeometry()});
    }
    return out;
}

int DesktopService::bringNotesInside(const QList<screenfit::Screen>& screens) {
    NoteStore& store = m_program.store();
    int moved = 0;
    for (int slot = 0; slot <= store.LastNote(); ++slot) {
        if (store.Notes[static_cast<size_t>(slot)].isDeleted())
            continue;
        NoteWindowState& st = store.Windows[static_cast<size_t>(slot)];
        const QRect stored(twips::toPx(st.Left), twips::toPx(st.Top), twips::toPx(st.Width),
                           twips::toPx(st.Height));
        const QRect placed = screenfit::bringInside(stored, screens);
        if (placed.topLeft() == stored.topLeft())
            continue;
        st.Left = twips::fromPx(placed.left());
        st.Top = twips::fromPx(placed.top());
        if (frmBlocNote* window = m_program.noteWindows()->existingWindow(slot))
            window->move(placed.topLeft());
        store.MarkChanged(slot, false);
        ++moved;
    }
    return moved;
}

// Workspaces

void DesktopService::setNotesOnAllWorkspaces(bool all) {
    m_allWorkspaces = all;
    (void)appstore::writeValue(AllWorkspacesValue, all ? QStringLiteral("1") : QStringLiteral("0"));
    applyWorkspaces();
    if (m_options)
        m_options->setAllWorkspaces(all);
}

void DesktopService::applyWorkspaces() {
    NoteWindowSet* windows = m_program.noteWindows();
    for (int slot = 0; windows != nullptr && slot <= m_program.store().LastNote(); ++slot) {
        if (frmBlocNote* window = windows->existingWindow(slot))
            windowops::setOnAllWorkspaces(window, m_allWorkspaces);
    }
}

bool DesktopService::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) {
        if (auto* note = qobject_cast<frmBlocNote*>(watched); note != nullptr && note->isWindow())
            windowops::setOnAllWorkspaces(note, m_allWorkspaces);
    }
    return false;
}

// The quick-note shortcut

void DesktopService::useGlobalShortcut(std::unique_ptr<GlobalShortcut> shortcut) {
    m_shortcut = std::move(shortcut);
    connect(m_shortcut.get(), &GlobalShortcut::activated, this, &DesktopService::quickNote);
    connect(m_shortcut.get(), &GlobalShortcut::statusChanged, this,
            &DesktopService::shortcutStatusChanged);
    emit shortcutStatusChanged(m_shortcut->setShortcut(m_keys));
}

GlobalShortcut::Status DesktopService::setShortcut(const QKeySequence& keys) {
    m_keys = keys;
    (void)appstore::writeValue(
        ShortcutValue, keys.isEmpty() ? NoShortcut : keys.toString(QKeySequence::PortableText));
    const GlobalShortcut::Status status = m_shortcut->setShortcut(keys);
    emit shortcutStatusChanged(status);
    if (m_options)
        m_options->setShortcut(keys);
    return status;
}

void DesktopService::quickNote() {
    frmStartup* manager = m_program.manager();
    if (manager == nullptr)
        return;
    manager->lists().optSelectList_Click(0);
    const int slot = manager->lists().cmdNewNote_Click();
    frmBlocNote* window = m_program.noteWindows()->existingWindow(slot);
    if (window == nullptr || !window->isVisible())
        return;
    // From another program: the note comes in front of it and takes the keys.
    window->raise();
    window->activateWindow();
    m_program.noteWindows()->focusText(slot);
}

// Snapshots

snapshots::Outcome DesktopService::takeSnapshot(const QDate& today) {
    return snapshots::takeDaily(m_program.files().dat, snapshots::folder(), today);
}

frmRestore* DesktopService::restoreWindow() const {
    return m_restore;
}

DesktopOptions* DesktopService::options() const {
    return m_options;
}

void DesktopService::openRestore() {
    if (!m_restore) {
        m_restore = new frmRestore(snapshots::folder());
        m_restore->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_restore, &frmRestore::restoreRequested, this,
                [this](const QList<snapshots::StoredNote>& notes) { (void)restoreNotes(notes); });
    } else {
        m_restore->reload();
    }
    m_restore->show();
    m_restore->raise();
    m_restore->activateWindow();
}

bool DesktopService::restoreNotes(const QList<snapshots::StoredNote>& notes) {
    if (notes.isEmpty())
        return false;
    const NoteFiles& files = m_program.files();
    if (!snapshots::addToImport(notes, files)) {
        if (m_restore)
            m_restore->setStatus(
                QStringLiteral("The notes could not be written to %1.").arg(files.imp[0]));
        return false;
    }
    // The reload saves the notes there are, then takes the import files in as new notes.
    m_program.cmdReload_Click();
    const bool merged = !fileio::exists(files.imp[0]) && !fileio::exists(files.imp[1]);
    if (m_restore) {
        m_restore->setStatus(merged ? QString::number(notes.size()) +
                                          QStringLiteral(" note(s) brought back as new notes.")
                                    : QStringLiteral("The notes come back at the next reload "
                                                     "or start."));
    }
    return merged;
}

// Wayland

void DesktopService::warnOnceOnWayland() {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ||
        !appstore::readValue(WaylandWarnedValue).isEmpty())
        return;
    (void)appstore::writeValue(WaylandWarnedValue, QStringLiteral("1"));
    m_program.messages().Message_box(WaylandText, QStringLiteral("Quillaboard"), msgbox::Info);
}
