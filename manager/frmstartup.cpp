#include "frmstartup.h"

#include "controls.h"

#include "localisation/translator.h"
#include "notelists.h"
#include "placeholderpanel.h"
#include "platform/clock.h"
#include "platform/windowops.h"
#include "propertiespanel.h"
#include "setuppanel.h"
#include "store/notestore.h"
#include "store/programstate.h"
#include "store/settings.h"
#include "trayicon.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QToolTip>
#include <QVBoxLayout>
#include <array>

namespace {

const QString Liste = QStringLiteral("liste");
const QString Prop = QStringLiteral("prop");
const QString Setup = QStringLiteral("setup");
const QString Alarm = QStringLiteral("alarm");
const QString Mail = QStringLiteral("mail");

void run(const std::function<void()>& hook) {
    if (hook) {
        hook();
    }
}

} // namespace

frmStartup::frmStartup(const ManagerContext& ctx, ManagerHooks hooks, QWidget* parent)
    : QWidget(parent)
    , m_ctx(ctx)
    , m_hooks(std::move(hooks))
    , m_trayAvailable(QSystemTrayIcon::isSystemTrayAvailable()) {
    setObjectName(QStringLiteral("frmStartup"));
    setWindowTitle(QStringLiteral("Quillaboard"));
    setWindowIcon(TrayIcon::paintIcon());

    m_panels = new QStackedWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_panels);

    m_panels->addWidget(buildListPanel());
    m_properties = new PropertiesPanel(m_ctx, m_panels);
    m_panels->addWidget(m_properties);
    m_panelByName.insert(Liste, {m_panels->widget(0), [this] { Show_Hide_Quillaboard(); }});
    m_panelByName.insert(Prop, {m_properties, [this] { m_properties->cmdPropOK_Click(); }});
    const std::array<std::array<QString, 4>, 3> placeholders{{
        {Setup, QStringLiteral("fraSetup"), QStringLiteral("Setup"), QStringLiteral("cmdSetupOk")},
        {Alarm, QStringLiteral("fraAlarm"), QStringLiteral("Alarm"), QStringLiteral("cmdAlarmOK")},
        {Mail, QStringLiteral("fraNetworkSettings"), QStringLiteral("Mail and network settings"),
         QStringLiteral("cmdMailSetOK")},
    }};
    for (const auto& [name, objectName, caption, okName] : placeholders) {
        auto* panel = new PlaceholderPanel(objectName, caption, okName, m_panels);
        m_panels->addWidget(panel);
        connect(panel, &PlaceholderPanel::okClicked, this, [this] { showPanel(Liste); });
        m_panelByName.insert(name, {panel, [panel] { panel->okButton()->click(); }});
    }

    connect(m_properties, &PropertiesPanel::closed, this, [this] { showPanel(Liste); });
    connect(m_properties, &PropertiesPanel::hideManagerRequested, this, [this] {
        if (managerVisible()) {
            Show_Hide_Quillaboard();
        }
    });
    connect(m_properties, &PropertiesPanel::titleChanged, m_lists, &NoteLists::updateLineText);

    const Clock& clock = m_ctx.clock;
    m_tray = new TrayIcon(
        *m_lists, m_ctx.store, m_hooks.messageBoxOpen, [&clock] { return clock.monotonicMs(); },
        this);
    connect(m_tray, &TrayIcon::showHideRequested, this, &frmStartup::Show_Hide_Quillaboard);
    connect(m_tray, &TrayIcon::newNoteRequested, this, &frmStartup::newNoteIn);
    connect(m_tray, &TrayIcon::checkMailRequested, this, &frmStartup::checkMailRequested);
    connect(m_tray, &TrayIcon::exitRequested, this, &frmStartup::exitRequested);

    showPanel(Liste);
    m_lists->optSelectList_Click(0);

    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive) {
                    leaveTopLayer();
                }
            });
}

frmStartup::~frmStartup() = default;

QWidget* frmStartup::buildListPanel() {
    auto* fraListe = new QWidget(m_panels);
    fraListe->setObjectName(QStringLiteral("fraListe"));

    m_optSelectList[0] = new QRadioButton(QStringLiteral("Notes"), fraListe);
    m_optSelectList[0]->setToolTip(QStringLiteral("Show the normal list"));
    m_optSelectList[1] = new QRadioButton(QStringLiteral("Events"), fraListe);
    m_optSelectList[1]->setToolTip(QStringLiteral("Show the events list"));
    m_listStack = new QStackedWidget(fraListe);
    for (int index = 0; index < 2; ++index) {
        m_optSelectList[index]->setObjectName(QStringLiteral("optSelectList%1").arg(index));
        m_lstNotes[index] = new QListWidget(m_listStack);
        m_lstNotes[index]->setObjectName(QStringLiteral("lstNotes%1").arg(index));
        m_lstNotes[index]->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        m_lstNotes[index]->viewport()->installEventFilter(this);
        m_listStack->addWidget(m_lstNotes[index]);
        connect(m_optSelectList[index], &QRadioButton::clicked, this,
                [this, index] { m_lists->optSelectList_Click(index); });
    }
    m_lists = new NoteLists(m_ctx, {m_lstNotes[0], m_lstNotes[1]}, this);
    connect(m_lists, &NoteLists::frontListChanged, this, &frmStartup::frontListChanged);
    connect(m_lists, &NoteLists::listPanelRequested, this, [this] { showPanel(Liste); });

    auto* cmdNewNote = button(fraListe, "cmdNewNote", QStringLiteral("New note"));
    auto* cmdProperties = button(fraListe, "cmdProperties", QStringLiteral("Properties"));
    auto* cmdRemove = button(fraListe, "cmdRemove", QStringLiteral("Remove"));
    auto* cmdMoveUp = button(fraListe, "cmdMoveUp", QStringLiteral("Move up"));
    auto* cmdMoveDown = button(fraListe, "cmdMoveDown", QStringLiteral("Move down"));
    const QString moveTip = QStringLiteral("Move the selected item to the other list");
    m_cmdMoveRight = button(fraListe, "cmdMoveRight", QStringLiteral("To events >>"), moveTip);
    m_cmdMoveLeft = button(fraListe, "cmdMoveLeft", QStringLiteral("<< To notes"), moveTip);
    auto* cmdShowAll = button(fraListe, "cmdShowAll", QStringLiteral("Show all"));
    auto* cmdHideAll = button(fraListe, "cmdHideAll", QStringLiteral("Hide all"));
    m_txtSearch = new QLineEdit(fraListe);
    m_txtSearch->setObjectName(QStringLiteral("txtSearch"));
    m_txtSearch->setToolTip(QStringLiteral("Enter the text to find"));
    auto* cmdSearch = button(fraListe, "cmdSearch", QStringLiteral("Search"),
                             QStringLiteral("Search the text in all notes of the selected list"));
    auto* cmdReload = button(fraListe, "cmdReload", QStringLiteral("Reload"));
    auto* cmdRestore = button(fraListe, "cmdRestore", QStringLiteral("Restore..."),
                              QStringLiteral("Bring back notes from the daily snapshots"));
    auto* cmdSetup = button(fraListe, "cmdSetup", QStringLiteral("Setup"),
                            QStringLiteral("Go to the setup panel"));

    connect(cmdNewNote, &QPushButton::clicked, m_lists, &NoteLists::cmdNewNote_Click);
    connect(cmdProperties, &QPushButton::clicked, this, &frmStartup::cmdProperties_Click);
    connect(cmdRemove, &QPushButton::clicked, m_lists, &NoteLists::cmdRemove_Click);
    connect(cmdMoveUp, &QPushButton::clicked, m_lists, &NoteLists::cmdMoveUp_Click);
    connect(cmdMoveDown, &QPushButton::clicked, m_lists, &NoteLists::cmdMoveDown_Click);
    connect(m_cmdMoveRight, &QPushButton::clicked, m_lists, &NoteLists::cmdMoveRight_Click);
    connect(m_cmdMoveLeft, &QPushButton::clicked, m_lists, &NoteLists::cmdMoveLeft_Click);
    connect(cmdShowAll, &QPushButton::clicked, m_lists, &NoteLists::cmdShowAll_Click);
    connect(cmdHideAll, &QPushButton::clicked, m_lists, &NoteLists::cmdHideAll_Click);
    connect(cmdSearch, &QPushButton::clicked, this,
            [this] { m_lists->cmdSearch_Click(m_txtSearch->text()); });
    connect(m_txtSearch, &QLineEdit::returnPressed, cmdSearch, &QPushButton::click);
    connect(cmdReload, &QPushButton::clicked, this, &frmStartup::reloadRequested);
    connect(cmdRestore, &QPushButton::clicked, this, &frmStartup::restoreRequested);
    connect(cmdSetup, &QPushButton::clicked, this, &frmStartup::cmdSetup_Click);

    auto* selectRow = new QHBoxLayout;
    selectRow->addWidget(m_optSelectList[0]);
    selectRow->addWidget(m_optSelectList[1]);
    selectRow->addStretch(1);

    auto* commands = new QVBoxLayout;
    for (QPushButton* push : {cmdNewNote, cmdProperties, cmdRemove}) {
        commands->addWidget(push);
    }
    commands->addSpacing(8);
    for (QPushButton* push : {cmdMoveUp, cmdMoveDown, m_cmdMoveRight, m_cmdMoveLeft}) {
        commands->addWidget(push);
    }
    commands->addSpacing(8);
    commands->addWidget(cmdShowAll);
    commands->addWidget(cmdHideAll);
    commands->addStretch(1);
    commands->addWidget(cmdReload);
    commands->addWidget(cmdRestore);
    commands->addWidget(cmdSetup);

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(m_txtSearch, 1);
    searchRow->addWidget(cmdSearch);

    auto* grid = new QGridLayout(fraListe);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addLayout(selectRow, 0, 0);
    grid->addWidget(m_listStack, 1, 0);
    grid->addLayout(commands, 1, 1);
    grid->addLayout(searchRow, 2, 0);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(1, 1);
    return fraListe;
}

void frmStartup::frontListChanged(int list) {
    m_optSelectList[list]->setChecked(true);
    m_listStack->setCurrentIndex(list);
    m_cmdMoveRight->setVisible(list == 0);
    m_cmdMoveLeft->setVisible(list == 1);
}

void frmStartup::showPanel(const QString& name) {
    const QString shown = m_panelByName.contains(name) ? name : Liste;
    m_ctx.state.CurrentPanel = shown;
    m_panels->setCurrentWidget(m_panelByName.value(shown).widget);
    if (shown == Liste) {
        m_lstNotes[m_lists->frontList()]->setFocus();
    }
}

void frmStartup::installPanel(const QString& name, QWidget* panel, std::function<void()> ok) {
    if (panel == nullptr || name == Liste || name == Prop || !m_panelByName.contains(name)) {
        return;
    }
    QWidget* old = m_panelByName.value(name).widget;
    const bool inFront = m_panels->currentWidget() == old;
    m_panels->insertWidget(m_panels->indexOf(old), panel);
    if (inFront) {
        m_panels->setCurrentWidget(panel);
    }
    m_panels->removeWidget(old);
    old->deleteLater();
    m_panelByName.insert(name, {panel, std::move(ok)});
}

void frmStartup::newNoteIn(int list) {
    m_lists->optSelectList_Click(list);
    m_lists->cmdNewNote_Click();
}

void frmStartup::cmdProperties_Click() {
    fillProperties(true);
}

void frmStartup::fillProperties(bool toFront) {
    m_ctx.state.CurrentList = m_lists->frontList();
    const int slot = m_lists->selectedNote();
    if (slot < 0) {
        return;
    }
    m_ctx.state.CurrentNote = slot;
    if (!m_ctx.store.Windows.at(static_cast<size_t>(slot)).Live) {
        return;
    }
    if (toFront) {
        showPanel(Prop);
    }
    m_properties->Fill(slot);
}

void frmStartup::cmdSetup_Click() {
    if (auto* setup = qobject_cast<SetupPanel*>(m_panelByName.value(Setup).widget))
        setup->cmdSetup_Click();
    showPanel(Setup);
}

void frmStartup::Show_Hide_Quillaboard() {
    m_ctx.state.SettingsChanged = true;
    const bool mailOff = !Settings::ticked(m_ctx.settings.chkCheckMail);
    if (managerVisible()) {
        if (m_trayAvailable) {
            hide();
        } else {
            showMinimized();
        }
        leaveTopLayer();
        if (mailOff) {
            m_tray->setTip(m_ctx.tr.Translation(84));
        }
        if (Settings::ticked(m_ctx.settings.chkAutoRefresh)) {
            run(m_hooks.startAutoRefresh);
        }
    } else {
        if (mailOff) {
            m_tray->setTip(m_ctx.tr.Translation(85));
        }
        run(m_hooks.stopAutoRefresh);
        bringToFront();
    }
}

void frmStartup::bringToFront() {
    // Always-on-top notes (the default for new ones) would cover a plain window, so the
    // manager joins their layer and is raised above them. It leaves the layer again as soon
    // as a note is activated or another program is, so it does not stay over everything.
    windowops::setStaysOnTop(this, true);
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
}

void frmStartup::leaveTopLayer() {
    windowops::setStaysOnTop(this, false);
}

bool frmStartup::onTop() const {
    return windowops::isTopmost(this);
}

void frmStartup::QueryUnload() {
    // Any other panel name is confirmed like the properties panel.
    const auto panel = m_panelByName.constFind(m_ctx.state.CurrentPanel);
    const auto& ok = panel != m_panelByName.constEnd() ? panel->ok : m_panelByName.value(Prop).ok;
    if (ok) {
        ok();
    }
}

void frmStartup::closeEvent(QCloseEvent* event) {
    if (m_quitting) {
        event->accept();
        return;
    }
    event->ignore();
    QueryUnload();
}

bool frmStartup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        for (int index = 0; index < 2; ++index) {
            if (watched != m_lstNotes[index]->viewport()) {
                continue;
            }
            if (!Settings::ticked(m_ctx.settings.chkShowTooltips)) {
                return true;
            }
            const auto* help = static_cast<QHelpEvent*>(event);
            const QListWidgetItem* item = m_lstNotes[index]->itemAt(help->pos());
            if (item == nullptr) {
                QToolTip::hideText();
                return true;
            }
            const int slot = m_ctx.store.slotAt(index, m_lstNotes[index]->row(item));
            if (const auto tip = m_lists->lineToolTip(slot)) {
                QToolTip::showText(help->globalPos(), *tip, m_lstNotes[index]);
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmStartup::noteActivated(int slot) {
    leaveTopLayer();
    m_lists->selectNote(slot);
    if (m_ctx.state.CurrentPanel == Prop) {
        cmdProperties_Click();
    } else if (m_ctx.state.CurrentPanel == Alarm) {
        // The alarm panel stays in front and shows the activated note.
        fillProperties(false);
        emit alarmPanelRefreshRequested(m_ctx.state.CurrentNote);
    }
    run(m_hooks.startFocusCheck);
}

void frmStartup::noteDeactivated(int /*slot*/) {
    run(m_hooks.stopFocusCheck);
}

void frmStartup::hideNoteFromList(int slot) {
    if (!m_ctx.store.isValidSlot(slot)) {
        return;
    }
    m_lists->setTicked(m_ctx.store.Notes.at(static_cast<size_t>(slot)).List,
                       m_ctx.store.ListPos.at(static_cast<size_t>(slot)), false);
}

void frmStartup::openProperties(int slot) {
    if (!m_ctx.store.isValidSlot(slot)) {
        return;
    }
    if (!managerVisible()) {
        Show_Hide_Quillaboard();
        m_ctx.state.ShownForProperties = true;
    } else {
        m_ctx.state.ShownForProperties = false;
    }
    m_lists->selectNote(slot);
    cmdProperties_Click();
}

void frmStartup::removeNote(int slot) {
    if (!m_ctx.store.isValidSlot(slot)) {
        return;
    }
    m_lists->selectNote(slot);
    m_lists->cmdRemove_Click();
}

void frmStartup::notePropertiesChanged(int slot) {
    if (m_ctx.state.CurrentPanel == Prop && m_properties->shownNote() == slot) {
        m_properties->Fill(slot);
    }
}

void frmStartup::stopAutoRefresh() {
    run(m_hooks.stopAutoRefresh);
}

void frmStartup::restartAutoRefresh() {
    if (Settings::ticked(m_ctx.settings.chkAutoRefresh) && !managerVisible()) {
        run(m_hooks.startAutoRefresh);
    }
}

bool frmStartup::managerVisible() const {
    return isVisible() && !isMinimized();
}
