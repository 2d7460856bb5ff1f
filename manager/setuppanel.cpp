#include "setuppanel.h"

#include "controls.h"

#include "localisation/translator.h"
#include "platform/autostart.h"
#include "platform/bytelimit.h"
#include "platform/desktopshell.h"
#include "platform/diagnosticlog.h"
#include "platform/dialogs.h"
#include "platform/messagesink.h"
#include "platform/programfolder.h"
#include "store/notestore.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHostAddress>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QNetworkInterface>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

const QString CrLf = QStringLiteral("\r\n");
// The settings file's value column.
constexpr int PrefixBytes = 128;

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption, const QString& tip) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->setToolTip(tip);
    return box;
}

QComboBox* intervalList(QWidget* parent, const char* name, const QStringList& entries) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->addItems(entries);
    return list;
}

int checkValue(const QCheckBox* box) {
    return static_cast<int>(box->isChecked() ? Check::Ticked : Check::Clear);
}

void run(const std::function<void()>& hook) {
    if (hook)
        hook();
}

} // namespace

SetupPanel::SetupPanel(const ManagerContext& ctx, DesktopShell& shell, SetupHooks hooks,
                       QWidget* parent)
    : QWidget(parent)
    , m_ctx(ctx)
    , m_shell(shell)
    , m_hooks(std::move(hooks)) {
    setObjectName(QStringLiteral("fraSetup"));
    buildControls();
    connectHandlers();
    Fill();
}

void SetupPanel::buildControls() {
    auto* frame = new QGroupBox(QStringLiteral("Setup"), this);
    frame->setObjectName(QStringLiteral("fraSetupFrame"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    auto* frameLayout = new QVBoxLayout(frame);

    // The panel holds more than the manager's height: it scrolls, the OK row stays.
    auto* scroll = new QScrollArea(frame);
    scroll->setObjectName(QStringLiteral("scrSetup"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* content = new QWidget(scroll);
    content->setObjectName(QStringLiteral("fraSetupContent"));
    scroll->setWidget(content);
    frameLayout->addWidget(scroll, 1);

    m_chkRunOnStartup =
        checkBox(content, "chkRunOnStartup", QStringLiteral("Run on system startup"),
                 QStringLiteral("Start Quillaboard automatically with the session"));
    m_chkShowTooltips = checkBox(content, "chkShowTooltips", QStringLiteral("Show tooltips"),
                                 QStringLiteral("Show the tooltips help"));
    m_lblLanguage = new QLabel(QStringLiteral("Choose language"), content);
    m_lblLanguage->setObjectName(QStringLiteral("lblLanguage"));
    m_lblLanguage->setToolTip(
        QStringLiteral("Left-clic to create a new template in the language selected"));
    m_lblLanguage->setCursor(Qt::PointingHandCursor);
    m_lblLanguage->installEventFilter(this);
    m_cboLanguages = new QComboBox(content);
    m_cboLanguages->setObjectName(QStringLiteral("cboLanguages"));
    m_cboLanguages->setToolTip(QStringLiteral("Select the language in the list"));
    auto* lblPrefix = new QLabel(QStringLiteral("New note title prefix"), content);
    lblPrefix->setObjectName(QStringLiteral("lblPrefixNewNote"));
    const QString prefixTip =
        QStringLiteral("Each new note will have a title beginning with this text");
    lblPrefix->setToolTip(prefixTip);
    m_txtPrefixNewNote = new QLineEdit(content);
    m_txtPrefixNewNote->setObjectName(QStringLiteral("txtPrefixNewNote"));
    m_txtPrefixNewNote->setToolTip(prefixTip);
    ByteLimitValidator::install(m_txtPrefixNewNote, PrefixBytes);
    m_chkRandomColor =
        checkBox(content, "chkRandomColor", QStringLiteral("Random color for new notes"),
                 QStringLiteral("Background and text colors will be randomly chosen"));
    m_chkConfirmDelete = checkBox(content, "chkConfirmDelete", QStringLiteral("Confirm delete"),
                                  QStringLiteral("Ask for a confirmation before deleting a note"));
    m_chkAnimateNote =
        checkBox(content, "chkAnimateNote", QStringLiteral("Animate opening/closing of notes"),
                 QStringLiteral("Notes open and close with a short animation"));
    m_chkMoveNotes = checkBox(
        content, "chkMoveNotes", QStringLiteral("Move notes with <ctrl>"),
        QStringLiteral("If checked, the notes can be moved with the CTRL key depressed and "
                       "dragging the note with the left mouse button on the text of the note "
                       "(recommended)"));
    m_chkMultiScreens =
        checkBox(content, "chkMultiScreens", QStringLiteral("Multi-screens"),
                 QStringLiteral("Check this option if you have a multi-screen desktop"));

    auto* lblDim = new QLabel(QStringLiteral("AutoDim value"), content);
    lblDim->setObjectName(QStringLiteral("lblAutoDimValue"));
    lblDim->setToolTip(QStringLiteral("Notes that don't have the focus will be transparent"));
    m_vsbAutoDimValue = new QScrollBar(Qt::Vertical, content);
    m_vsbAutoDimValue->setObjectName(QStringLiteral("vsbAutoDimValue"));
    m_vsbAutoDimValue->setRange(-255, 0);
    m_vsbAutoDimValue->setSingleStep(1);
    m_vsbAutoDimValue->setPageStep(10);
    m_vsbAutoDimValue->setFixedHeight(fontMetrics().height() * 2);
    m_txtAutoDimValue = new QLineEdit(content);
    m_txtAutoDimValue->setObjectName(QStringLiteral("txtAutoDimValue"));
    m_txtAutoDimValue->setToolTip(QStringLiteral("0=transparent - 255=opaque"));
    m_txtAutoDimValue->setReadOnly(true);
    m_txtAutoDimValue->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000")) +
                                       12);

    m_cmdSetPictureDir = button(content, "cmdSetPictureDir", QStringLiteral("Set the picture dir."),
                                QStringLiteral("For automatic random change of your wallpaper"));
    m_chkAutoSave =
        checkBox(content, "chkAutoSave", QStringLiteral("Auto save every"),
                 QStringLiteral("All modified notes will be saved every chosen interval of time"));
    m_cboAutoSaveTime = intervalList(content, "cboAutoSaveTime", m_hooks.autoSaveTimes);
    m_chkAutoRefresh = checkBox(content, "chkAutoRefresh", QStringLiteral("Auto refresh every"),
                                QStringLiteral("All notes \"always-on-top\" will be reset on top "
                                               "every chosen interval of time"));
    m_cboAutoRefreshTime = intervalList(content, "cboAutoRefreshTime", m_hooks.autoRefreshTimes);
    m_cmdNetworkSettings =
        button(content, "cmdNetworkSettings", QStringLiteral("Mail and network settings"));
    m_cmdWebSite =
        button(content, "cmdWebSite", QStringLiteral("Web site"),
               QStringLiteral("Open your Internet browser and go to the home page of Quillaboard"));
    m_txtSample = new QLabel(content);
    m_txtSample->setObjectName(QStringLiteral("txtSample"));
    m_txtSample->setToolTip(QStringLiteral("About..."));
    m_txtSample->setTextFormat(Qt::PlainText);
    m_txtSample->setFrameShape(QFrame::StyledPanel);
    m_txtSample->setAlignment(Qt::AlignCenter);
    m_txtSample->setCursor(Qt::PointingHandCursor);
    m_txtSample->installEventFilter(this);
    m_cmdHelp = button(content, "cmdHelp", QStringLiteral("Help"));
    m_cmdHelp->installEventFilter(this);
    m_cmdSetupOk =
        button(frame, "cmdSetupOk", QStringLiteral("OK"), QStringLiteral("Save the settings"));

    auto* grid = new QGridLayout;
    int row = 0;
    for (QCheckBox* box : {m_chkRunOnStartup, m_chkShowTooltips})
        grid->addWidget(box, row++, 0, 1, 3);
    grid->addWidget(m_lblLanguage, row, 0);
    grid->addWidget(m_cboLanguages, row++, 1, 1, 2);
    grid->addWidget(lblPrefix, row, 0);
    grid->addWidget(m_txtPrefixNewNote, row++, 1, 1, 2);
    for (QCheckBox* box : {m_chkRandomColor, m_chkConfirmDelete, m_chkAnimateNote, m_chkMoveNotes,
                           m_chkMultiScreens})
        grid->addWidget(box, row++, 0, 1, 3);
    auto* dimRow = new QHBoxLayout;
    dimRow->addWidget(m_vsbAutoDimValue);
    dimRow->addWidget(m_txtAutoDimValue);
    dimRow->addStretch(1);
    grid->addWidget(lblDim, row, 0);
    grid->addLayout(dimRow, row++, 1, 1, 2);
    grid->addWidget(m_chkAutoSave, row, 0);
    grid->addWidget(m_cboAutoSaveTime, row++, 1);
    grid->addWidget(m_chkAutoRefresh, row, 0);
    grid->addWidget(m_cboAutoRefreshTime, row++, 1);
    grid->addWidget(m_cmdSetPictureDir, row, 0);
    grid->addWidget(m_cmdNetworkSettings, row++, 1, 1, 2);
    grid->setColumnStretch(2, 1);

    auto* aboutRow = new QHBoxLayout;
    aboutRow->addWidget(m_txtSample, 1);
    auto* aboutButtons = new QVBoxLayout;
    aboutButtons->addWidget(m_cmdWebSite);
    aboutButtons->addWidget(m_cmdHelp);
    aboutRow->addLayout(aboutButtons);

    m_sections = new QVBoxLayout(content);
    m_sections->addLayout(grid);
    m_sections->addLayout(aboutRow);
    m_sections->addStretch(1);

    auto* okRow = new QHBoxLayout;
    okRow->addStretch(1);
    okRow->addWidget(m_cmdSetupOk);
    frameLayout->addLayout(okRow);
}

void SetupPanel::connectHandlers() {
    // The model is what the program reads: a click changes it at once, the file waits for OK.
    const std::pair<QCheckBox*, int Settings::*> checks[] = {
        {m_chkAutoRefresh, &Settings::chkAutoRefresh},
        {m_chkAutoSave, &Settings::chkAutoSave},
        {m_chkMoveNotes, &Settings::chkMoveNotes},
        {m_chkRandomColor, &Settings::chkRandomColor},
        {m_chkAnimateNote, &Settings::chkAnimateNote},
        {m_chkConfirmDelete, &Settings::chkConfirmDelete},
        {m_chkMultiScreens, &Settings::chkMultiScreens},
    };
    for (const auto& [box, field] : checks) {
        connect(box, &QCheckBox::clicked, this, [this, box = box, field = field] {
            if (filling())
                return;
            m_ctx.settings.*field = checkValue(box);
            setChanged();
        });
    }
    connect(m_chkShowTooltips, &QCheckBox::clicked, this, &SetupPanel::chkShowTooltips_Click);
    connect(m_cboLanguages, &QComboBox::textActivated, this, &SetupPanel::cboLanguages_Click);
    connect(m_txtPrefixNewNote, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_ctx.settings.txtPrefixNewNote = text;
        setChanged();
    });
    connect(m_cboAutoSaveTime, &QComboBox::activated, this, [this](int entry) {
        m_ctx.settings.cboAutoSaveTime = entry;
        setChanged();
    });
    connect(m_cboAutoRefreshTime, &QComboBox::activated, this, [this](int entry) {
        m_ctx.settings.cboAutoRefreshTime = entry;
        setChanged();
    });
    connect(m_vsbAutoDimValue, &QScrollBar::valueChanged, this,
            &SetupPanel::vsbAutoDimValue_Change);
    connect(m_cmdSetPictureDir, &QPushButton::clicked, this, &SetupPanel::cmdSetPictureDir_Click);
    connect(m_cmdWebSite, &QPushButton::clicked, this, &SetupPanel::cmdWebSite_Click);
    connect(m_cmdHelp, &QPushButton::clicked, this, &SetupPanel::cmdHelp_Click);
    connect(m_cmdNetworkSettings, &QPushButton::clicked, this,
            &SetupPanel::cmdNetworkSettings_Click);
    connect(m_cmdSetupOk, &QPushButton::clicked, this, &SetupPanel::cmdSetupOk_Click);
}

void SetupPanel::addSection(QWidget* section) {
    if (section == nullptr)
        return;
    // Before the closing stretch, so sections stack from the top.
    m_sections->insertWidget(m_sections->count() - 1, section);
}

void SetupPanel::setLanguages(const QStringList& languages) {
    m_filling = true;
    m_cboLanguages->clear();
    m_cboLanguages->addItems(languages);
    m_cboLanguages->setCurrentText(m_ctx.settings.Language);
    m_filling = false;
}

bool SetupPanel::filling() const {
    return m_filling || m_ctx.store.UpdatingLists;
}

void SetupPanel::setChanged() {
    if (!filling())
        m_ctx.state.SettingsChanged = true;
}

void SetupPanel::Fill() {
    const Settings& s = m_ctx.settings;
    m_filling = true;
    m_chkShowTooltips->setChecked(Settings::ticked(s.chkShowTooltips));
    m_cboLanguages->setCurrentText(s.Language);
    m_txtPrefixNewNote->setText(s.txtPrefixNewNote);
    m_chkRandomColor->setChecked(Settings::ticked(s.chkRandomColor));
    m_chkConfirmDelete->setChecked(Settings::ticked(s.chkConfirmDelete));
    m_chkAnimateNote->setChecked(Settings::ticked(s.chkAnimateNote));
    m_chkMoveNotes->setChecked(Settings::ticked(s.chkMoveNotes));
    m_chkMultiScreens->setChecked(Settings::ticked(s.chkMultiScreens));
    m_chkAutoSave->setChecked(Settings::ticked(s.chkAutoSave));
    m_chkAutoRefresh->setChecked(Settings::ticked(s.chkAutoRefresh));
    m_cboAutoSaveTime->setCurrentIndex(s.cboAutoSaveTime);
    m_cboAutoRefreshTime->setCurrentIndex(s.cboAutoRefreshTime);
    const int level = s.autoDimValue();
    m_vsbAutoDimValue->setValue(-level);
    m_txtAutoDimValue->setText(QStringLiteral("%1").arg(level, 3, 10, QLatin1Char('0')));
    if (!s.PictureDir.isEmpty())
        m_cmdSetPictureDir->setToolTip(s.PictureDir);
    m_filling = false;
}

void SetupPanel::cmdSetup_Click() {
    m_filling = true;
    m_chkRunOnStartup->setChecked(!autostart::readRunValue().isEmpty());
    m_filling = false;
    Fill();
    // Every desktop this program runs on animates windows, so the box is never disabled.
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    m_txtSample->setFont(font);
    m_txtSample->setText(QStringLiteral("Quillaboard ") + m_hooks.version + QLatin1Char('\n') +
                         Author);
}

void SetupPanel::chkShowTooltips_Click() {
    if (filling())
        return;
    Settings& s = m_ctx.settings;
    const bool on = m_chkShowTooltips->isChecked();
    if (m_ctx.tr.isNative() && !on) {
        // The English texts are the windows' own: they cannot be taken away.
        m_filling = true;
        m_chkShowTooltips->setChecked(true);
        m_filling = false;
        showMessage(m_ctx.tr.Translation(37) + CrLf + m_ctx.tr.Translation(38), {});
        return;
    }
    s.chkShowTooltips = checkValue(m_chkShowTooltips);
    m_ctx.state.SettingsChanged = true;
    if (!m_ctx.tr.isNative())
        run(m_hooks.tooltipsSwitched);
}

void SetupPanel::cboLanguages_Click(const QString& language) {
    if (m_ctx.settings.DebugMode) {
        m_ctx.log.WriteLog(DebugLogName,
                           QStringLiteral("[cboLanguages_Click]  cboLanguages.text=") + language);
    }
    m_ctx.settings.Language = language;
    if (m_hooks.languageChosen)
        m_hooks.languageChosen(language);
    if (filling())
        return;
    m_ctx.state.SettingsChanged = true;
    showMessage(m_ctx.tr.Translation(7) + CrLf + m_ctx.tr.Translation(8), {});
}

void SetupPanel::lblLanguage_Click() {
    if (!Settings::ticked(m_ctx.settings.chkShowTooltips)) {
        showMessage(m_ctx.tr.Translation(39) + CrLf + m_ctx.tr.Translation(40), {});
        return;
    }
    run(m_hooks.writeTemplate);
}

void SetupPanel::vsbAutoDimValue_Change(int value) {
    const int bounded = std::clamp(value, -255, 0);
    const int level = -bounded;
    const QString text = QStringLiteral("%1").arg(level, 3, 10, QLatin1Char('0'));
    m_txtAutoDimValue->setText(text);
    if (filling())
        return;
    (void)m_ctx.settings.setAutoDimText(text);
    m_ctx.state.SettingsChanged = true;
    if (m_hooks.applyDimLevel)
        m_hooks.applyDimLevel(level);
}

void SetupPanel::cmdSetPictureDir_Click() {
    QString folder = m_ctx.dialogs.chooseFolder(
        this, QStringLiteral("Search a folder containing picture files (.JPG)"));
    if (!folder.isEmpty()) {
        if (!folder.endsWith(QLatin1Char('/')) && !folder.endsWith(QLatin1Char('\\')))
            folder += QLatin1Char('/');
        m_ctx.settings.PictureDir = folder;
        m_cmdSetPictureDir->setToolTip(folder);
    }
    m_ctx.state.SettingsChanged = true;
}

void SetupPanel::cmdWebSite_Click() {
    const QString address = m_hooks.webAddress ? m_hooks.webAddress() : QString();
    if (address.isEmpty() || !m_shell.open(address))
        showMessage(m_ctx.tr.Translation(54), QStringLiteral("Error"));
}

QString SetupPanel::localAddress() {
    QString fallback;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.isLoopback())
            continue;
        if (address.protocol() == QAbstractSocket::IPv4Protocol)
            return address.toString();
        if (fallback.isEmpty())
            fallback = address.toString();
    }
    return fallback.isEmpty() ? QStringLiteral("127.0.0.1") : fallback;
}

QString SetupPanel::hostName() {
    return QHostInfo::localHostName();
}

QStringList SetupPanel::aboutLines() const {
    const Translator& tr = m_ctx.tr;
    QStringList lines = {
        tr.Translation(92) + QStringLiteral(" : ") + m_hooks.version,
        tr.Translation(93) + QStringLiteral(" : ") + Author,
        tr.Translation(94) + QStringLiteral(" : ") + EMail,
        tr.Translation(95) + QStringLiteral(" : ") +
            (m_hooks.webAddress ? m_hooks.webAddress() : QString()),
        tr.Translation(96) + QStringLiteral(" : ") + m_ctx.folder.path(),
    };
    if (m_hooks.languageLines)
        lines += m_hooks.languageLines();
    lines += QStringLiteral("Local IP : ") + localAddress();
    lines += QStringLiteral("HostName : ") + hostName();
    return lines;
}

void SetupPanel::txtSample_Click() {
    showMessage(aboutLines().join(CrLf), QStringLiteral("About Quillaboard"));
}

void SetupPanel::cmdHelp_Click() {
    const QString path = m_ctx.folder.file(QStringLiteral("Quillaboard Help.mht"));
    if (!m_shell.open(path))
        showMessage(m_ctx.tr.Translation(52), m_ctx.tr.Translation(53));
}

void SetupPanel::cmdHelp_RightClick() {
    const QString name =
        m_hooks.languageGeneral
            ? m_hooks.languageGeneral(QStringLiteral("FAQ file"), QStringLiteral("FAQ.txt"))
            : QStringLiteral("FAQ.txt");
    (void)m_shell.open(m_ctx.folder.resolve(name));
}

void SetupPanel::cmdNetworkSettings_Click() {
    emit networkSettingsRequested();
}

void SetupPanel::cmdSetupOk_Click() {
    run(m_hooks.writeSettings);
    if (m_chkRunOnStartup->isChecked()) {
        (void)autostart::writeRunValue(m_hooks.executablePath);
    } else {
        (void)autostart::removeRunValue();
    }
    run(m_hooks.applyTimers);
    emit closed();
}

void SetupPanel::showMessage(const QString& text, const QString& title) {
    m_ctx.messages.Message_box(text, title, msgbox::Info);
}

bool SetupPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (watched == m_lblLanguage && mouse->button() == Qt::LeftButton) {
            lblLanguage_Click();
            return true;
        }
        if (watched == m_txtSample && mouse->button() == Qt::LeftButton) {
            txtSample_Click();
            return true;
        }
        if (watched == m_cmdHelp && mouse->button() == Qt::RightButton) {
            cmdHelp_RightClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
