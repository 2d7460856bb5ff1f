#include "program.h"

#include "localisation/frmmsgbox.h"
#include "manager/frmstartup.h"
#include "manager/notelists.h"
#include "manager/notewindowadapter.h"
#include "manager/trayicon.h"
#include "notewindow/frmblocnote.h"
#include "notewindow/notewindowset.h"
#include "platform/appstore.h"
#include "platform/autostart.h"
#include "platform/twips.h"
#include "shell/alarmservice.h"
#include "shell/desktopservice.h"
#include "shell/frmsplash.h"
#include "shell/languageservice.h"
#include "shell/linkservice.h"
#include "shell/mailservice.h"
#include "shell/netservice.h"
#include "shell/rescue.h"
#include "store/datafile.h"
#include "store/loader.h"
#include "store/saver.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWindow>

namespace {

// A box that waits for its "Ok", for what must be read before the program goes on or ends.
constexpr MessageBoxOptions BlockingError{0, 3, 0, 0, 1, -1};

QSize screenTwips() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize px = screen ? screen->geometry().size() : QSize(1024, 768);
    return px * twips::PerPixel;
}

const QString CrLf = QStringLiteral("\r\n");

} // namespace

Program::Program(const ProgramFolder& folder, QObject* parent)
    : QObject(parent)
    , m_folder(folder)
    , m_files(folder)
    , m_messages(m_tr)
    , m_log(m_folder, m_clock, m_messages, m_tr, m_settings)
    , m_settingsFile(m_folder, m_messages, m_tr, &m_log)
    , m_instance(std::make_unique<SingleInstance>(folder.path())) {
    m_tr.setDiagnostics(&m_log, &m_settings.DebugMode);
    m_timAutoRefresh.setTimerType(Qt::CoarseTimer);
    // The looks follow focus events; the timer only gathers a burst of them into one check.
    m_timCheckFocus.setSingleShot(true);
    m_timCheckFocus.setInterval(0);
    connect(&m_timAutoSave, &MinuteTimer::due, this, &Program::timAutoSave_Timer);
    connect(&m_timAutoRefresh, &QTimer::timeout, this, &Program::timAutoRefresh_Timer);
    connect(&m_timCheckFocus, &QTimer::timeout, this, &Program::timCheckFocus_Timer);
}

Program::~Program() {
    shutdown();
}

QString Program::runningVersion() {
    return QStringLiteral(QB_VERSION);
}

QString Program::executablePath() const {
    return QFileInfo(QCoreApplication::applicationFilePath()).absoluteFilePath();
}

bool Program::start() {
    // One instance per program folder; a second start asks the first to show its manager.
    switch (m_instance->tryAcquire()) {
    case SingleInstance::Acquire::Acquired:
        break;
    case SingleInstance::Acquire::HeldByAnother:
        (void)SingleInstance::askRunningToShow(SingleInstance::keyFor(m_folder.path()));
        m_exitCode = 0;
        return false;
    case SingleInstance::Acquire::Failed:
        m_messages.Message_box(m_tr.Translation(109) + CrLf + m_folder.path() + CrLf +
                                   datafile::errorText(m_instance->error()),
                               QStringLiteral("Quillaboard"), BlockingError);
        m_exitCode = 1;
        return false;
    }
    connect(m_instance.get(), &SingleInstance::showRequested, this,
            &Program::showFromOtherInstance);
    connect(&m_sessionEnd, &SessionEnd::quitRequested, this, &Program::endSession);
    // The session manager's checkpoint is not the end of the session: save, and go on. When
    // the session does end, the application is told to quit.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this] { saveAll(); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { shutdown(); });
    // The active and inactive looks follow the focus; nothing polls.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &Program::scheduleFocusCheck);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, &Program::scheduleFocusCheck);
    m_blinkRest = std::make_unique<CursorBlinkRest>();

    m_store.UpdatingLists = true;
    fillLanguageList();

    m_windows = std::make_unique<NoteWindowSet>(NoteContext{
        m_store, m_settings, m_state, m_folder, m_messages, m_tr, m_dialogs, m_shell, m_clock});
    m_adapter = std::make_unique<NoteWindowAdapter>(*m_windows);
    ManagerHooks hooks;
    hooks.startAutoRefresh = [this] {
        if (Settings::ticked(m_settings.chkAutoRefresh))
            m_timAutoRefresh.start();
    };
    hooks.stopAutoRefresh = [this] { m_timAutoRefresh.stop(); };
    hooks.startFocusCheck = [this] { scheduleFocusCheck(); };
    hooks.stopFocusCheck = [this] { scheduleFocusCheck(); };
    hooks.messageBoxOpen = [this] { return m_messages.MessageBoxOpen(); };
    m_manager = std::make_unique<frmStartup>(ManagerContext{m_store, m_settings, m_state, m_folder,
                                                            m_messages, m_tr, m_dialogs, m_clock,
                                                            m_log, *m_adapter, *m_adapter},
                                             hooks);
    m_windows->setHost(m_manager.get());
    m_windows->setManagerWindow(m_manager.get());
    connect(m_manager.get(), &frmStartup::reloadRequested, this, &Program::cmdReload_Click);
    connect(m_manager.get(), &frmStartup::exitRequested, this, &Program::quit);
    m_links = std::make_unique<LinkService>(m_store, m_folder, m_messages, m_tr, *m_windows,
                                            m_manager->propertiesPanel());
    startLanguages();

    for (int list = 0; list < 2; ++list) {
        connect(m_manager->lists().list(list), &QListWidget::currentRowChanged, this,
                &Program::scheduleFocusCheck);
    }
    m_manager->showPanel(QStringLiteral("liste"));
    m_manager->lists().optSelectList_Click(0);

    m_RunValue = autostart::readRunValue();
    (void)appstore::writeValue(appstore::PathValue, QCoreApplication::applicationDirPath());

    const bool tray = QSystemTrayIcon::isSystemTrayAvailable();
    m_manager->setTrayAvailable(tray);
    if (tray)
        m_manager->trayIcon().AddTrayIcon();

    m_windows->measureLayout();
    m_state.LayoutEnabled = true;

    SettingsReadContext readContext;
    readContext.screenTwips = screenTwips();
    readContext.managerTwips = m_manager->size() * twips::PerPixel;
    readContext.languages = m_languages;
    readContext.runValue = m_RunValue;
    readContext.executablePath = executablePath();
    const SettingsReadResult read = m_settingsFile.ReadSettings(m_settings, m_state, readContext);
    if (read.registeredToStart)
        m_RunValue = autostart::readRunValue();
    m_language->applySettings();
    applyManagerPlacement();

    showSplash();
    checkRunValue();

    offerRescueFiles();
    loadNotes();
    m_manager->lists().optSelectList_Click(0);

    m_StartupPlacement = placementText();
    m_store.FullSaveNeeded = false;
    m_store.DataChanged = false;
    m_state.SettingsChanged = false;

    FillDefaults(m_settings, m_state);
    startAlarms();
    startTimers();
    checkVersion();
    startMail();
    startNetwork();
    m_mail->addSection(&m_net->settingsPanel());
    // Workspaces, screens, the quick-note shortcut, the day's snapshot.
    m_desktop = std::make_unique<DesktopService>(*this, globalshortcut::forThisDesktop());
    m_desktop->notesLoaded();

    resumeTimers();
    scheduleFocusCheck();
    // Boxes shown during start-up (a first run's welcome) stay in front of the windows that
    // came after them.
    for (frmMsgbox* box : m_messages.openBoxes())
        box->raise();
    m_started = true;
    // The first alarm check (catching up what went off while the program was not running)
    // comes last: an alarm that shuts the machine down saves everything first.
    m_alarms->start();
    return true;
}

void Program::startAlarms() {
    // An alarm that powers the machine off saves everything first, as at the user's exit; when
    // that cannot be done, the machine stays on and the program runs on.
    const auto shutDownForAlarm = [this] {
        if (!endByUser())
            return false;
        QTimer::singleShot(0, this, [this] { QCoreApplication::exit(m_exitCode); });
        return true;
    };
    m_alarms = std::make_unique<AlarmService>(
        AlarmService::Parts{m_store, m_settings, m_state, m_messages, m_tr, m_dialogs, m_shell,
                            m_clock, *m_windows, *m_manager, m_folder.path(), shutDownForAlarm},
        m_alarmSeams);
}

void Program::startMail() {
    m_mail = std::make_unique<MailService>(MailService::Parts{m_settings,
                                                              m_state,
                                                              m_tr,
                                                              m_log,
                                                              m_messages,
                                                              m_shell,
                                                              m_dialogs,
                                                              *m_manager,
                                                              m_folder,
                                                              nullptr,
                                                              {}});
    m_mail->start();
}

void Program::startNetwork() {
    m_net = std::make_unique<NetService>(
        NetServiceContext{m_store, m_settings, m_state, m_folder, m_messages, m_tr, m_log,
                          m_dialogs, m_shell, m_clock, *m_manager, *m_windows, nullptr});
    m_net->start();
}

void Program::loadNotes() {
    m_store.UpdatingLists = true;
    // The slots are numbered anew: an old current note would name another note.
    m_state.CurrentNote = -1;
    m_lookSlot = -1;
    const QSize screen = screenTwips();
    m_loaded =
        LoadNotes(m_store, m_files,
                  LoadOptions{Settings::ticked(m_settings.chkMultiScreens), screen.width(),
                              screen.height(), &m_clock, m_links ? &m_links->files() : nullptr},
                  m_messages, m_tr, m_windows.get());
    m_store.UpdatingLists = false;
    m_manager->lists().fill();
}

void Program::fillLanguageList() {
    m_languages = {NativeLanguage};
    const QDir dir(m_folder.file(QStringLiteral("Languages")));
    const QStringList files =
        dir.entryList({QStringLiteral("*.ini")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& file : files) {
        const QString name = QFileInfo(file).completeBaseName();
        if (name.compare(QLatin1String("Template"), Qt::CaseInsensitive) != 0)
            m_languages.append(name);
    }
    if (m_settings.DebugMode) {
        m_log.WriteLog(DebugLogName,
                       QStringLiteral("[frmStartup Form_Load] CboLanguages is populated   "
                                      "cboLanguages.Text=") +
                           m_settings.Language);
    }
}

void Program::startLanguages() {
    m_language = std::make_unique<LanguageService>(
        LanguageService::Context{m_tr, m_settings, m_state, m_folder, m_messages, m_log},
        *m_manager);
    SetupHooks hooks;
    hooks.autoSaveTimes = AutoSaveTimes();
    hooks.autoRefreshTimes = AutoRefreshTimes();
    hooks.executablePath = executablePath();
    hooks.version = runningVersion();
    hooks.writeSettings = [this] { writeSettings(); };
    hooks.applyTimers = [this] {
        m_timAutoSave.stop();
        m_timAutoRefresh.stop();
        startTimers();
        resumeTimers();
    };
    hooks.applyDimLevel = [this](int level) { m_windows->applyDimLevel(level); };
    hooks.webAddress = [this] { return frmSplash::addressFor(frmSplash::splashUrlText(m_folder)); };
    m_language->installSetupPanel(m_shell, std::move(hooks), m_languages);
    m_language->addTemplateWindow(QStringLiteral("frmSplash"), [this] {
        return std::make_unique<frmSplash>(m_folder, runningVersion(), m_shell, m_manager.get());
    });
}

void Program::applyManagerPlacement() {
    frmStartup& manager = *m_manager;
    if (m_settings.posStartupLeft >= 1 && m_settings.posStartupTop >= 1) {
        // The client area's place, the same thing as is saved: moving the frame there would
        // creep the window up by its title bar at every start.
        manager.setGeometry(QRect(
            QPoint(twips::toPx(m_settings.posStartupLeft), twips::toPx(m_settings.posStartupTop)),
            manager.size()));
    }
    // Without a tray icon a hidden manager could not be reached again.
    if (m_settings.frmStartupVisible || !manager.trayAvailable())
        manager.show();
}

QString Program::placementText() const {
    const QPoint pos = managerPosition();
    return QString::number(pos.y() * twips::PerPixel) + QLatin1Char('/') +
           QString::number(pos.x() * twips::PerPixel) + QLatin1Char('/') +
           (m_manager->isVisible() ? QStringLiteral("-1") : QStringLiteral("0"));
}

QPoint Program::managerPosition() const {
    return m_manager->geometry().topLeft();
}

void Program::showSplash() {
    const QString picture = frmSplash::splashPicture(m_folder);
    if (picture.isEmpty())
        return;
    auto* splash = new frmSplash(m_folder, runningVersion(), m_shell, m_manager.get());
    splash->setAttribute(Qt::WA_DeleteOnClose);
    if (!splash->loadPicture(picture)) {
        splash->deleteLater();
        return;
    }
    m_splash = splash;
    splash->start();
}

void Program::checkRunValue() {
    if (m_RunValue.isEmpty())
        return;
    const QString exe = executablePath();
    const auto same = [](const QString& a, const QString& b) {
        return QFileInfo(a).canonicalFilePath() == QFileInfo(b).canonicalFilePath() &&
               !QFileInfo(a).canonicalFilePath().isEmpty();
    };
    if (same(m_RunValue, exe) || m_RunValue == exe)
        return;
    const QString text = m_tr.Translation(23) + CrLf + m_RunValue + CrLf + m_tr.Translation(24) +
                         CrLf + exe + QStringLiteral(" ?");
    if (m_messages.Message_box(text, m_tr.Translation(25), msgbox::Question) == 0) {
        if (autostart::writeRunValue(exe))
            m_RunValue = exe;
    }
}

void Program::startTimers() {
    const int saveEntry =
        m_settings.cboAutoSaveTime >= 0 ? m_settings.cboAutoSaveTime : DefaultIntervalEntry;
    const int refreshEntry =
        m_settings.cboAutoRefreshTime >= 0 ? m_settings.cboAutoRefreshTime : DefaultIntervalEntry;
    m_timAutoSave.setIntervalText(AutoSaveTimes().value(saveEntry, AutoSaveTimes().value(5)));
    m_timAutoRefresh.setInterval(
        IntervalFromText(AutoRefreshTimes().value(refreshEntry, AutoRefreshTimes().value(5))));
}

void Program::checkVersion() {
    if (m_settings.Version == runningVersion())
        return;
    // The first start of a new version rewrites both data files whole; the record writer
    // still sees the old version.
    m_store.FullSaveNeeded = true;
    // One full cycle per list during a start: a list the loader already rewrote (to take in
    // its import file) keeps the backup from before this start. The new version is written
    // only once the rewrite it asks for has been done, so a failed one is tried again at the
    // next start.
    SaveScope scope;
    scope.keepBackup = m_loaded.rewrittenWhole;
    scope.rewriteUnchanged = true;
    if (!SaveNotes(m_store, saveContext(), scope))
        return;
    m_settings.Version = runningVersion();
    m_state.SettingsChanged = true;
    (void)m_settingsFile.WriteSettings(m_settings, m_state);
}

SaveContext Program::saveContext() {
    return SaveContext{m_files, m_messages,         m_tr,
                       m_clock, m_settings.Version, m_links ? &m_links->files() : nullptr};
}

bool Program::saveNotes() {
    return SaveNotes(m_store, saveContext());
}

bool Program::rescueUnsavedNotes() {
    const QString path = rescue::newFilePath(m_clock.now());
    const int count = WriteRescueFile(m_store, saveContext(), path);
    if (count < 0) {
        qCritical("Quillaboard: %s Unsaved notes could not be written to %s either.",
                  qPrintable(m_tr.Translation(103)), qPrintable(path));
        return false;
    }
    if (count > 0) {
        qWarning("Quillaboard: %s %d unsaved note(s) were written to %s.",
                 qPrintable(m_tr.Translation(103)), count, qPrintable(path));
    }
    return true;
}

void Program::offerRescueFiles() {
    for (const QString& file : rescue::pendingFiles()) {
        const QString text =
            m_tr.Translation(105) + CrLf + file + CrLf + CrLf + m_tr.Translation(106);
        if (m_messages.Message_box(text, QStringLiteral("Quillaboard"), msgbox::Question) != 0) {
            rescue::decline(file);
            continue;
        }
        if (!rescue::importInto(file, m_files)) {
            m_messages.Message_box(m_tr.Translation(62) + QLatin1Char(' ') + m_files.imp[0],
                                   QStringLiteral("Quillaboard"), msgbox::Error);
        }
    }
}

void Program::timAutoSave_Timer() {
    (void)QuickSaveNotes(m_store, saveContext());
}

void Program::timAutoRefresh_Timer() {
    m_windows->refreshTopmost();
}

void Program::scheduleFocusCheck() {
    if (m_started && !m_shutDown)
        m_timCheckFocus.start();
}

void Program::timCheckFocus_Timer() {
    // Only a change of the program's activation or of the current note costs anything.
    const NoteLists& lists = m_manager->lists();
    if (m_state.CurrentList == 0 || m_state.CurrentList == 1) {
        const int line = lists.selectedLine(m_state.CurrentList);
        const int slot = m_store.slotAt(m_state.CurrentList, line);
        if (slot >= 0)
            m_state.CurrentNote = slot;
    }
    const int slot = m_state.CurrentNote;
    const bool active = QApplication::activeWindow() != nullptr;
    if (slot == m_lookSlot && active == m_lookActive)
        return;
    // The note that stops being the current one loses its active look, unless it is the
    // window the user works in.
    if (slot != m_lookSlot && m_store.isValidSlot(m_lookSlot)) {
        QWidget* previous = m_windows->existingWindow(m_lookSlot);
        if (previous && previous != QApplication::activeWindow())
            m_windows->applyLook(m_lookSlot, false);
    }
    m_lookSlot = slot;
    m_lookActive = active;
    if (m_store.isValidSlot(slot))
        m_windows->applyLook(slot, active);
}

void Program::showFromOtherInstance() {
    if (!m_manager)
        return;
    if (!m_manager->isVisible()) {
        m_manager->Show_Hide_Quillaboard();
    } else {
        m_manager->showNormal();
        m_manager->bringToFront();
    }
}

void Program::cmdReload_Click() {
    m_timAutoSave.stop();
    if (!saveNotes()) {
        // Reloading now would throw the unsaved changes away.
        m_messages.Message_box(m_tr.Translation(103) + CrLf + m_tr.Translation(107),
                               QStringLiteral("Quillaboard"), msgbox::Error);
        resumeTimers();
        return;
    }
    m_windows->destroyAll();
    m_manager->lists().clearLists();
    loadNotes();
    m_store.FullSaveNeeded = false;
    m_store.DataChanged = false;
    if (m_desktop)
        m_desktop->notesLoaded();
    resumeTimers();
    m_manager->lists().optSelectList_Click(0);
}

bool Program::shutdown(ExitKind kind) {
    if (!m_started || m_shutDown)
        return true;
    m_timAutoRefresh.stop();
    m_timAutoSave.stop();
    m_timCheckFocus.stop();
    if (m_mail)
        m_mail->stop();
    if (m_net)
        m_net->shutdown();
    if (m_desktop)
        m_desktop->shutdown();
    if (m_alarms)
        m_alarms->stop();

    writeSettings();

    while (!saveNotes()) {
        if (kind == ExitKind::Unattended) {
            if (!rescueUnsavedNotes())
                m_exitCode = 1;
            break;
        }
        // The boxes of the failed save say why; the user decides whether to try again or
        // to keep the program, and the notes, running.
        const QString text = m_tr.Translation(103) + CrLf + m_tr.Translation(104);
        if (m_messages.Message_box(text, QStringLiteral("Quillaboard"), msgbox::Question) != 0) {
            resumeTimers();
            if (m_mail)
                m_mail->resume();
            if (m_net)
                m_net->start();
            return false;
        }
    }

    m_shutDown = true;
    m_links.reset();
    m_manager->trayIcon().RemoveTrayIcon();
    m_messages.unloadAll();
    if (!m_leaveWindowsToExit)
        m_windows->destroyAll();
    if (m_splash)
        m_splash->close();
    m_manager->setQuitting(true);
    m_manager->hide();
    return true;
}

bool Program::endByUser() {
    m_leaveWindowsToExit = true;
    if (!shutdown(ExitKind::User)) {
        m_leaveWindowsToExit = false;
        return false;
    }
    return true;
}

void Program::quit() {
    if (endByUser())
        QCoreApplication::exit(m_exitCode);
}

void Program::endSession() {
    m_leaveWindowsToExit = true;
    shutdown(ExitKind::Unattended);
    QCoreApplication::exit(m_exitCode);
}

void Program::saveAll() {
    if (!m_started || m_shutDown)
        return;
    writeSettings();
    (void)saveNotes();
}

void Program::writeSettings() {
    // A moved, shown or hidden manager is a change of the settings.
    if (placementText() != m_StartupPlacement)
        m_state.SettingsChanged = true;
    const QPoint pos = managerPosition();
    m_settings.posStartupTop = static_cast<float>(pos.y() * twips::PerPixel);
    m_settings.posStartupLeft = static_cast<float>(pos.x() * twips::PerPixel);
    m_settings.frmStartupVisible = m_manager->isVisible();
    m_StartupPlacement = placementText();
    (void)m_settingsFile.WriteSettings(m_settings, m_state);
}

void Program::resumeTimers() {
    if (Settings::ticked(m_settings.chkAutoSave))
        m_timAutoSave.start();
    // Auto refresh works while the manager is hidden.
    if (Settings::ticked(m_settings.chkAutoRefresh) && !m_manager->isVisible())
        m_timAutoRefresh.start();
}

bool Program::releaseForExit() {
    shutdown();
    m_instance.reset();
    return m_leaveWindowsToExit;
}
