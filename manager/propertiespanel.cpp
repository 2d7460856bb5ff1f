#include "propertiespanel.h"

#include "alarms/alarmcheck.h"

#include "controls.h"

#include "linkedfileupdater.h"
#include "localisation/translator.h"
#include "notelists.h"
#include "noteviews.h"
#include "platform/bytelimit.h"
#include "platform/clock.h"
#include "platform/colors.h"
#include "platform/dialogs.h"
#include "platform/oledate.h"
#include "platform/programfolder.h"
#include "propertycommands.h"
#include "store/notestore.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QCheckBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const QString PanelName = QStringLiteral("prop");

// A stored colour: RGB with red in the low byte, or 0x80000000 + a system colour index.
QColor toColor(std::int32_t stored, const QPalette& palette) {
    return colors::screenColor(stored, palette);
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption, const QString& tip) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->setToolTip(tip);
    return box;
}

// A field of a stored text: takes what the field's bytes hold, no more.
QLineEdit* lineEdit(QWidget* parent, const char* name, int maxBytes) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    ByteLimitValidator::install(edit, maxBytes);
    return edit;
}

QLabel* valueLabel(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

PropertiesPanel::PropertiesPanel(const ManagerContext& ctx, QWidget* parent)
    : QWidget(parent)
    , m_ctx(ctx) {
    setObjectName(QStringLiteral("fraProperties"));
    buildControls();
    connectHandlers();
}

void PropertiesPanel::buildControls() {
    auto* frame = new QGroupBox(QStringLiteral("Properties"), this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    auto* layout = new QVBoxLayout(frame);

    auto* titleRow = new QHBoxLayout;
    auto* titleLabel = new QLabel(QStringLiteral("Title"), frame);
    titleLabel->setObjectName(QStringLiteral("lblTitre"));
    m_txtTitre = lineEdit(frame, "txtTitre", width::Title);
    titleLabel->setBuddy(m_txtTitre);
    titleRow->addWidget(titleLabel);
    titleRow->addWidget(m_txtTitre, 1);
    layout->addLayout(titleRow);

    m_txtSample = new QLabel(frame);
    m_txtSample->setObjectName(QStringLiteral("txtSample"));
    m_txtSample->setAutoFillBackground(true);
    m_txtSample->setFrameShape(QFrame::StyledPanel);
    // Laid out as the note lays out its text, so the sample shows what the note will look like.
    m_txtSample->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_txtSample->setMargin(4);
    m_txtSample->setMinimumHeight(56);
    m_txtSample->setText(
        QStringLiteral("Quillaboard " QB_VERSION "\nSticky notes on your desktop"));
    layout->addWidget(m_txtSample);

    auto* fraColors = new QGroupBox(QStringLiteral("Colors"), frame);
    fraColors->setObjectName(QStringLiteral("fraColors"));
    auto* colorRow = new QHBoxLayout(fraColors);
    m_optColor[0] = new QRadioButton(QStringLiteral("Background"), fraColors);
    m_optColor[0]->setObjectName(QStringLiteral("optColor0"));
    m_optColor[0]->setToolTip(QStringLiteral("Background color of the note [ALT-C]"));
    m_optColor[1] = new QRadioButton(QStringLiteral("Text"), fraColors);
    m_optColor[1]->setObjectName(QStringLiteral("optColor1"));
    m_optColor[1]->setToolTip(QStringLiteral("Text color of the note"));
    m_optColor[0]->setChecked(true);
    m_cmdPropColor = button(fraColors, "cmdPropColor", QStringLiteral("Color"),
                            QStringLiteral("Choose the color of the background or text"));
    m_cmdPropFont = button(frame, "cmdPropFont", QStringLiteral("Font"),
                           QStringLiteral("Choose the font of the text [ALT-F]"));
    colorRow->addWidget(m_optColor[0]);
    colorRow->addWidget(m_optColor[1]);
    colorRow->addStretch(1);
    colorRow->addWidget(m_cmdPropColor);
    // The font button follows the colour frame, level with the colour button inside it.
    auto* fontColumn = new QVBoxLayout;
    fontColumn->addStretch(1);
    fontColumn->addWidget(m_cmdPropFont);
    fontColumn->setContentsMargins(0, 0, 0, colorRow->contentsMargins().bottom());
    auto* lookRow = new QHBoxLayout;
    lookRow->addWidget(fraColors, 1);
    lookRow->addLayout(fontColumn);
    layout->addLayout(lookRow);

    m_chkShowTitle = checkBox(frame, "chkShowTitle", QStringLiteral("Show title"),
                              QStringLiteral("Show a titlebar on the note [ALT-T]"));
    m_chkShowScrollBar = checkBox(frame, "chkShowScrollBar", QStringLiteral("Show scroll bar"),
                                  QStringLiteral("Show a vertical scroll bar on the note [ALT-S]"));
    m_chkAutoRoll = checkBox(frame, "chkAutoRoll", QStringLiteral("Auto-Roll"),
                             QStringLiteral("Automatically reduces the note to its titlebar "
                                            "when it loses the focus [ALT-R]"));
    m_chkAutoDim = checkBox(frame, "chkAutoDim", QStringLiteral("Auto-Dim"),
                            QStringLiteral("Automatically makes the note transparent when it "
                                           "loses the focus [ALT-D]"));
    m_chkAlwaysOnTop = checkBox(frame, "chkAlwaysOnTop", QStringLiteral("Always on top"),
                                QStringLiteral("Set the note above all other windows [ALT-A]"));
    m_chkLocked = checkBox(frame, "chkLocked", QStringLiteral("Locked"),
                           QStringLiteral("If checked, text can not be modified [ALT-L]"));
    auto* checks = new QGridLayout;
    checks->addWidget(m_chkShowTitle, 0, 0);
    checks->addWidget(m_chkShowScrollBar, 0, 1);
    checks->addWidget(m_chkAutoRoll, 1, 0);
    checks->addWidget(m_chkAutoDim, 1, 1);
    checks->addWidget(m_chkAlwaysOnTop, 2, 0);
    checks->addWidget(m_chkLocked, 2, 1);

    m_chkOpenFile = checkBox(frame, "chkOpenFile", QStringLiteral("Open file"),
                             QStringLiteral("Open an external file and display its content in "
                                            "the note (warning : all previously entered text "
                                            "will be lost)"));
    m_txtFiletoOpen = lineEdit(frame, "txtFiletoOpen", width::FiletoOpen);
    m_cmdPropBrowse = button(frame, "cmdPropBrowse", QStringLiteral("Browse"),
                             QStringLiteral("Choose the external file to be opened/updated"));
    m_chkUpdateFile = checkBox(frame, "chkUpdateFile", QStringLiteral("Update file"),
                               QStringLiteral("Update an external file when the note is changed"));
    checks->addWidget(m_chkOpenFile, 3, 0);
    layout->addLayout(checks);
    // The linked file: the box that links it, its path, then the box that writes it back.
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_txtFiletoOpen, 1);
    fileRow->addWidget(m_cmdPropBrowse);
    layout->addLayout(fileRow);
    layout->addWidget(m_chkUpdateFile);

    auto* fraImage = new QGroupBox(QStringLiteral("Image"), frame);
    fraImage->setObjectName(QStringLiteral("fraImage"));
    m_txtImagePath = lineEdit(fraImage, "txtImagePath", width::ImagePath);
    m_cmdImageBrowse =
        button(fraImage, "cmdImageBrowse", QStringLiteral("Browse"),
               QStringLiteral("Choose the image to be displayed on the image side of the note"));
    m_chkImageStretch =
        checkBox(fraImage, "chkImageStretch", QStringLiteral("Stretch"),
                 QStringLiteral("Expand the image to cover all the note (image may be deformed)"));
    m_chkImageKeepRatio =
        checkBox(fraImage, "chkImageKeepRatio", QStringLiteral("Keep ratio"),
                 QStringLiteral("Keep the ratio Height/Width when resizing the image"));
    auto* imageGrid = new QGridLayout(fraImage);
    auto* imageRow = new QHBoxLayout;
    imageRow->addWidget(m_txtImagePath, 1);
    imageRow->addWidget(m_cmdImageBrowse);
    imageGrid->addLayout(imageRow, 0, 0, 1, 2);
    imageGrid->addWidget(m_chkImageStretch, 1, 0);
    imageGrid->addWidget(m_chkImageKeepRatio, 1, 1);
    layout->addWidget(fraImage);

    m_cmdPropAlarm = button(frame, "cmdPropAlarm", QStringLiteral("Alarm"),
                            QStringLiteral("Set an alarm for this note"));
    m_cmdPropAlarm->setEnabled(false);
    connect(m_cmdPropAlarm, &QPushButton::clicked, this, [this] {
        if (m_ctx.store.isValidSlot(m_slot)) {
            applyPendingEdits();
            emit alarmRequested(m_slot);
        }
    });
    m_lblAlarm = valueLabel(frame, "lblAlarm");
    // The state's colour, with its text as the tooltip.
    m_shpAlarmStatus = new QLabel(frame);
    m_shpAlarmStatus->setObjectName(QStringLiteral("shpAlarmStatus"));
    m_shpAlarmStatus->setFixedSize(14, 14);
    m_shpAlarmStatus->setFrameShape(QFrame::Box);
    m_shpAlarmStatus->setAutoFillBackground(true);
    m_lblAlarmColor = new QLabel(QStringLiteral("Alarm"), frame);
    m_lblAlarmColor->setObjectName(QStringLiteral("lblAlarmColor"));
    m_lblCreated = valueLabel(frame, "lblCreated");
    m_lblModified = valueLabel(frame, "lblModified");
    m_lblStatus = valueLabel(frame, "lblStatus");
    // The alarm button with the alarm's summary beside it; the dates under their captions;
    // the change status on a line of its own, beside OK.
    auto* info = new QGridLayout;
    info->addWidget(m_cmdPropAlarm, 0, 0);
    auto* alarmRow = new QHBoxLayout;
    alarmRow->addWidget(m_lblAlarm, 1);
    alarmRow->addWidget(m_shpAlarmStatus);
    alarmRow->addWidget(m_lblAlarmColor);
    info->addLayout(alarmRow, 0, 1);
    auto* lblCreatedCaption = new QLabel(QStringLiteral("Created"), frame);
    lblCreatedCaption->setObjectName(QStringLiteral("lblCreatedCaption"));
    info->addWidget(lblCreatedCaption, 1, 0);
    info->addWidget(m_lblCreated, 1, 1);
    auto* lblModifiedCaption = new QLabel(QStringLiteral("Modified"), frame);
    lblModifiedCaption->setObjectName(QStringLiteral("lblModifiedCaption"));
    info->addWidget(lblModifiedCaption, 2, 0);
    info->addWidget(m_lblModified, 2, 1);
    info->setColumnStretch(1, 1);
    layout->addLayout(info);

    layout->addStretch(1);
    m_cmdPropOK = button(frame, "cmdPropOK", QStringLiteral("OK"));
    m_cmdPropOK->setDefault(true);
    auto* okRow = new QHBoxLayout;
    okRow->addWidget(m_lblStatus, 1);
    okRow->addWidget(m_cmdPropOK);
    layout->addLayout(okRow);
}

void PropertiesPanel::connectHandlers() {
    auto onTick = [this](QCheckBox* box, auto apply) {
        connect(box, &QCheckBox::toggled, this, [this, apply](bool ticked) {
            if (!quiet()) {
                apply(m_slot, ticked);
            }
        });
    };
    PropertyCommands& commands = m_ctx.commands;
    onTick(m_chkAutoRoll, [&commands](int slot, bool on) { commands.setAutoRoll(slot, on); });
    onTick(m_chkAutoDim, [&commands](int slot, bool on) { commands.setAutoDim(slot, on); });
    onTick(m_chkLocked, [&commands](int slot, bool on) { commands.setLocked(slot, on); });
    onTick(m_chkAlwaysOnTop, [&commands](int slot, bool on) { commands.setAlwaysOnTop(slot, on); });
    onTick(m_chkShowTitle, [&commands](int slot, bool on) { commands.setShowTitle(slot, on); });
    onTick(m_chkShowScrollBar, [this, &commands](int slot, bool on) {
        commands.setShowScrollBar(slot, on);
        refreshSample();
    });
    onTick(m_chkUpdateFile, [this](int slot, bool on) {
        NoteRecord& note = m_ctx.store.Notes.at(static_cast<size_t>(slot));
        if (note.UpdateFile != on) {
            note.UpdateFile = on;
            m_ctx.store.MarkChanged(slot, false);
        }
    });
    onTick(m_chkOpenFile, [this](int, bool) { updateLink(); });
    onTick(m_chkImageStretch, [this, &commands](int slot, bool on) {
        if (m_ctx.store.Windows.at(static_cast<size_t>(slot)).PictureStretched != on) {
            commands.toggleStretch(slot);
        }
    });
    onTick(m_chkImageKeepRatio, [this, &commands](int slot, bool on) {
        if (m_ctx.store.Notes.at(static_cast<size_t>(slot)).ImageKeepRatio != on) {
            commands.toggleKeepRatio(slot);
        }
    });

    connect(m_cmdPropColor, &QPushButton::clicked, this, &PropertiesPanel::cmdPropColor_Click);
    connect(m_cmdPropFont, &QPushButton::clicked, this, &PropertiesPanel::cmdPropFont_Click);
    connect(m_cmdPropBrowse, &QPushButton::clicked, this, &PropertiesPanel::cmdPropBrowse_Click);
    connect(m_cmdImageBrowse, &QPushButton::clicked, this, [this] {
        if (hasNote()) {
            m_ctx.commands.browsePicture(m_slot, this);
            m_txtImagePath->setText(
                m_ctx.store.Notes.at(static_cast<size_t>(m_slot)).ImagePath.trimmed());
        }
    });
    connect(m_cmdPropOK, &QPushButton::clicked, this, &PropertiesPanel::cmdPropOK_Click);
    connect(&m_ctx.store, &NoteStore::noteMarked, this, [this](int index) {
        if (m_ctx.state.CurrentPanel == PanelName && index == m_slot) {
            m_lblStatus->setText(m_ctx.tr.Translation(56));
        }
    });

    for (QLineEdit* edit : {m_txtTitre, m_txtFiletoOpen, m_txtImagePath}) {
        edit->installEventFilter(this);
    }
    connect(m_txtImagePath, &QLineEdit::returnPressed, this, [this] {
        txtImagePath_LostFocus();
        m_pictureFocusSlot = -1;
    });
    connect(m_txtImagePath, &QLineEdit::textEdited, this, [this] { m_pictureFocusSlot = m_slot; });
}

bool PropertiesPanel::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit != nullptr && event->type() == QEvent::FocusIn) {
        // Trimming is not typing: the field keeps its unmodified state.
        const bool modified = edit->isModified();
        edit->setText(edit->text().trimmed());
        edit->setModified(modified);
        edit->selectAll();
        if (edit == m_txtImagePath) {
            m_pictureFocusSlot = m_slot;
        }
    } else if (edit != nullptr && event->type() == QEvent::FocusOut) {
        if (edit == m_txtTitre) {
            txtTitre_LostFocus();
        } else if (edit == m_txtFiletoOpen) {
            txtFiletoOpen_LostFocus();
        } else if (edit == m_txtImagePath) {
            // Leaving the field reads the picture again, unless Enter just did or the panel
            // has turned to another note since the field took the focus.
            if (edit->isModified() || m_pictureFocusSlot == m_slot) {
                txtImagePath_LostFocus();
            }
            m_pictureFocusSlot = -1;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool PropertiesPanel::hasNote() const {
    return m_ctx.store.isValidSlot(m_slot);
}

bool PropertiesPanel::quiet() const {
    return m_ctx.store.UpdatingLists || !hasNote();
}

void PropertiesPanel::applyPendingEdits() {
    // A field still holding the focus has not been applied yet; its typing belongs to the note
    // the panel shows now, whatever note comes next.
    if (m_txtTitre->isModified()) {
        txtTitre_LostFocus();
    }
    if (m_txtFiletoOpen->isModified()) {
        txtFiletoOpen_LostFocus();
    }
    if (m_txtImagePath->isModified()) {
        txtImagePath_LostFocus();
    }
}

void PropertiesPanel::Fill(int slot) {
    if (!m_ctx.store.isValidSlot(slot)) {
        return;
    }
    applyPendingEdits();
    m_slot = slot;
    const bool previous = m_ctx.store.UpdatingLists;
    m_ctx.store.UpdatingLists = true;
    const NoteRecord& note = m_ctx.store.Notes.at(static_cast<size_t>(slot));
    const NoteWindowState& window = m_ctx.store.Windows.at(static_cast<size_t>(slot));

    for (QWidget* control : std::initializer_list<QWidget*>{
             m_txtTitre, m_chkOpenFile, m_txtFiletoOpen, m_cmdPropBrowse, m_chkLocked}) {
        control->setEnabled(true);
    }
    m_cmdPropAlarm->setEnabled(true);
    refreshAlarm();
    m_lblCreated->setText(oleDateTimeText(note.Created));
    m_lblModified->setText(oleDateTimeText(note.Modified));
    refreshStatus();

    m_chkShowScrollBar->setChecked(note.ShowScrollBar);
    m_chkShowScrollBar->setEnabled(!window.PictureShown);
    m_optColor[0]->setChecked(true);
    m_txtTitre->setText(note.trimmedTitle());
    refreshSample();
    m_chkAlwaysOnTop->setChecked(m_ctx.commands.savedOnTop(slot).value_or(window.AlwaysOnTop));
    m_chkShowTitle->setChecked(note.ShowTitle);
    m_chkAutoRoll->setChecked(note.AutoRoll);
    m_chkAutoDim->setChecked(note.AutoDim);
    m_chkOpenFile->setChecked(note.OpenFile);
    m_chkUpdateFile->setChecked(note.UpdateFile);
    m_chkLocked->setChecked(note.Locked);
    m_txtFiletoOpen->setText(note.FiletoOpen.trimmed());
    CheckLinkedFile(m_txtFiletoOpen->text());
    m_txtImagePath->setText(note.ImagePath.trimmed());
    m_chkImageStretch->setChecked(window.PictureStretched);
    m_chkImageKeepRatio->setChecked(note.ImageKeepRatio);
    m_ctx.store.UpdatingLists = previous;
}

void PropertiesPanel::refreshAlarm() {
    if (!m_ctx.store.isValidSlot(m_slot)) {
        return;
    }
    const QDateTime now = m_ctx.clock.now();
    ResetAlarmDefaults(m_ctx.store, m_slot, m_ctx.settings.NoteDefaults, now);
    const NoteRecord& note = m_ctx.store.Notes.at(static_cast<size_t>(m_slot));
    m_lblAlarm->setText(
        oleDateTimeText(oledate::fromDateTime(NextOccurrence(note, now).goesOff())) +
        QLatin1Char(' ') + note.AlarmFreq);
    if (const std::optional<AlarmStatusInfo> status = AlarmStatus(note, now)) {
        QPalette palette = m_shpAlarmStatus->palette();
        palette.setColor(QPalette::Window, colors::screenColor(status->color));
        m_shpAlarmStatus->setPalette(palette);
        const QString text = m_ctx.tr.Translation(status->message);
        m_shpAlarmStatus->setToolTip(text);
        m_lblAlarmColor->setToolTip(text);
    }
}

void PropertiesPanel::refreshStatus() {
    if (!hasNote()) {
        return;
    }
    // Derived from the mark every time, so a saved note no longer shows "Modified".
    const QString changeMark = m_ctx.store.Notes.at(static_cast<size_t>(m_slot)).ChangeMark;
    if (changeMark == mark::Created) {
        m_lblStatus->setText(m_ctx.tr.Translation(55));
    } else if (changeMark.toLower() == mark::Modified) {
        m_lblStatus->setText(m_ctx.tr.Translation(56));
    } else {
        m_lblStatus->clear();
    }
}

void PropertiesPanel::refreshSample() {
    if (!hasNote()) {
        return;
    }
    const NoteWindowState& window = m_ctx.store.Windows.at(static_cast<size_t>(m_slot));
    QPalette palette = m_txtSample->palette();
    palette.setColor(QPalette::Window, toColor(window.BackColor, this->palette()));
    palette.setColor(QPalette::WindowText, toColor(window.ForeColor, this->palette()));
    m_txtSample->setPalette(palette);
    QFont font(window.FontName);
    if (window.FontSize > 0) {
        font.setPointSizeF(window.FontSize);
    }
    font.setBold(window.FontBold);
    font.setItalic(window.FontItalic);
    font.setUnderline(window.FontUnderline);
    m_txtSample->setFont(font);
}

void PropertiesPanel::CheckLinkedFile(const QString& path) {
    const QString full = m_ctx.folder.resolve(path);
    m_chkUpdateFile->setEnabled(true);
    if (path.isEmpty()) {
        return;
    }
    const QFileInfo info(full);
    if (!info.exists() || !info.isFile()) {
        return;
    }
    // The permission bits, not access(): a file without write bits is read-only even for root.
    constexpr auto anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if ((QFile::permissions(full) & anyWrite) == 0) {
        // Never written back: the box is cleared (which clears UpdateFile) and locked.
        m_chkUpdateFile->setChecked(false);
        m_chkUpdateFile->setEnabled(false);
    }
}

void PropertiesPanel::updateLink() {
    if (!hasNote()) {
        return;
    }
    const bool openFile = m_chkOpenFile->isChecked();
    const QString path = m_txtFiletoOpen->text().trimmed().left(width::FiletoOpen);
    if (m_updater != nullptr) {
        m_updater->UpdateLinkedFile(m_slot, openFile, path);
        return;
    }
    NoteRecord& note = m_ctx.store.Notes.at(static_cast<size_t>(m_slot));
    note.OpenFile = openFile;
    note.FiletoOpen = path;
    m_ctx.store.MarkChanged(m_slot, false);
}

void PropertiesPanel::txtTitre_LostFocus() {
    if (m_ctx.state.CurrentPanel != PanelName || !hasNote()) {
        return;
    }
    const QString title = m_txtTitre->text().trimmed();
    const NoteRecord& note = m_ctx.store.Notes.at(static_cast<size_t>(m_slot));
    m_txtTitre->setModified(false);
    if (title.isEmpty()) {
        m_txtTitre->setText(note.trimmedTitle());
        return;
    }
    // Leaving the field unchanged is not an edit: the note keeps its mark and dates.
    if (title == note.trimmedTitle()) {
        return;
    }
    m_ctx.commands.setTitle(m_slot, title);
    emit titleChanged(m_slot);
}

void PropertiesPanel::txtFiletoOpen_LostFocus() {
    if (m_ctx.state.CurrentPanel != PanelName || !hasNote()) {
        return;
    }
    const QString path = m_txtFiletoOpen->text().trimmed();
    m_txtFiletoOpen->setModified(false);
    CheckLinkedFile(path);
    // Re-linking the same file would read it again over the note's unsaved text.
    if (path.left(width::FiletoOpen) !=
        m_ctx.store.Notes.at(static_cast<size_t>(m_slot)).FiletoOpen.trimmed()) {
        updateLink();
    }
}

void PropertiesPanel::txtImagePath_LostFocus() {
    if (m_ctx.state.CurrentPanel != PanelName || !hasNote()) {
        return;
    }
    const QString path = m_txtImagePath->text().trimmed();
    NoteRecord& note = m_ctx.store.Notes.at(static_cast<size_t>(m_slot));
    const NoteWindowState& window = m_ctx.store.Windows.at(static_cast<size_t>(m_slot));
    if (path != note.ImagePath.trimmed()) {
        m_ctx.commands.setTypedPicturePath(m_slot, path);
        m_txtImagePath->setText(note.ImagePath.trimmed());
        return;
    }
    m_txtImagePath->setModified(false);
    if (path.isEmpty()) {
        return;
    }
    // The same path: the file may have been replaced, so the picture is read again. What the
    // data file holds stays as it was, and so does the note's change mark.
    const QString markBefore = note.ChangeMark;
    const bool dataChangedBefore = m_ctx.store.DataChanged;
    const bool shownBefore = window.PictureShown;
    m_ctx.commands.setTypedPicturePath(m_slot, path);
    if (note.ImagePath.trimmed() == path && window.PictureShown == shownBefore) {
        note.ChangeMark = markBefore;
        m_ctx.store.DataChanged = dataChangedBefore;
        refreshStatus();
    }
}

void PropertiesPanel::cmdPropBrowse_Click() {
    if (!hasNote()) {
        return;
    }
    const QString chosen =
        m_ctx.dialogs.openFile(this, QStringLiteral("Choose a file to open/update"),
                               ProgramFolder::folderPart(m_txtFiletoOpen->text().trimmed()),
                               QStringLiteral("All files (*)"));
    if (!chosen.trimmed().isEmpty()) {
        m_txtFiletoOpen->setText(chosen.trimmed());
        updateLink();
    }
    CheckLinkedFile(m_txtFiletoOpen->text().trimmed());
}

void PropertiesPanel::cmdPropColor_Click() {
    if (hasNote() && m_ctx.commands.chooseColor(m_slot, m_optColor[0]->isChecked(), this)) {
        refreshSample();
    }
}

void PropertiesPanel::cmdPropFont_Click() {
    if (hasNote() && m_ctx.commands.chooseFont(m_slot, this)) {
        refreshSample();
    }
}

void PropertiesPanel::cmdPropOK_Click() {
    m_cmdPropOK->setFocus();
    // Without the window's focus the field never hears that it lost it.
    applyPendingEdits();
    m_ctx.state.CurrentPanel = QStringLiteral("liste");
    emit closed();
    if (hasNote() && m_ctx.store.Windows.at(static_cast<size_t>(m_slot)).Visible) {
        m_ctx.views.focusText(m_slot);
    }
    if (m_ctx.state.ShownForProperties) {
        m_ctx.state.ShownForProperties = false;
        emit hideManagerRequested();
    }
    m_optColor[0]->setChecked(true);
}
