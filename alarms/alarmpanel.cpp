#include "alarms/alarmpanel.h"

#include "alarms/alarmcheck.h"
#include "alarms/frmcalend.h"
#include "localisation/translator.h"
#include "platform/clock.h"
#include "platform/colors.h"
#include "platform/dialogs.h"
#include "platform/messagesink.h"
#include "platform/oledate.h"
#include "platform/programfolder.h"
#include "platform/sound.h"
#include "platform/textcodec.h"
#include "store/notestore.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

const QString PanelName = QStringLiteral("alarm");
const QString Ticked = QStringLiteral("E");
const QString Cleared = QStringLiteral(" ");

// optAlarmFreq index -> AlarmFreq; the weekly option stores the day instead.
constexpr int WeeklyOption = 4;
constexpr std::array<char16_t, 6> FreqCodes{u'U', u'A', u'M', u'J', u'0', u'H'};
// optAlarmPrev index -> AlarmPrevTp and the bound of vsbAlarmPrev.
constexpr std::array<char16_t, 3> PrevCodes{u'J', u'H', u'M'};
constexpr std::array<int, 3> PrevBounds{-30, -23, -59};
constexpr int WallpaperIndex = 0;

const QString TimeTip = QStringLiteral("Set the time of the alarm (00:00 to disable)");
const QString FreqTip = QStringLiteral("Choose the alarm repetition type");
const QString PrevTip = QStringLiteral("Choose how many time to be warned before the alarm date");

QString twoDigits(int value) {
    return QStringLiteral("%1").arg(qAbs(value), 2, 10, QLatin1Char('0'));
}

QString digit(int index) {
    return QString(QChar(u'0' + index));
}

// A status colour is 0xBBGGRR.
QColor statusColor(std::int32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

// "ddd" and the date in the platform's order ("dd/mm/yyyy" or "mm/dd/yyyy"), then "hh:mm" when
// the time counts.
QString stamp(const QDate& day, const QTime& time, const QLocale& locale, bool withTime = true) {
    QString text = locale.toString(day, QStringLiteral("ddd")) + QLatin1Char(' ') +
                   frmCalend::toCalendarDate(day, locale);
    if (withTime) {
        text += QLatin1Char(' ') + time.toString(QStringLiteral("hh:mm"));
    }
    return text;
}

bool hasSeparator(const QString& path) {
    return path.contains(QLatin1Char('/')) || path.contains(QLatin1Char('\\'));
}

// A typed path that names its own folder ("/usr/bin/x", "~/x", "C:\x") stands alone.
bool isFullPath(const QString& path) {
    return path.startsWith(QLatin1Char('/')) || path.startsWith(QLatin1String("~/")) ||
           (path.size() > 2 && path.at(1) == QLatin1Char(':') &&
            (path.at(2) == QLatin1Char('\\') || path.at(2) == QLatin1Char('/')));
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption, const QString& tip) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    box->setToolTip(tip);
    return box;
}

QPushButton* pushButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& tip) {
    auto* push = new QPushButton(caption, parent);
    push->setObjectName(QLatin1String(name));
    push->setToolTip(tip);
    return push;
}

QLineEdit* shownValue(QWidget* parent, const char* name, const QString& tip, int width = 0) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setReadOnly(true);
    edit->setToolTip(tip);
    if (width > 0) {
        edit->setFixedWidth(width);
        edit->setAlignment(Qt::AlignCenter);
    }
    return edit;
}

QScrollBar* spinBar(QWidget* parent, const char* name, int minimum, int maximum,
                    const QString& tip) {
    auto* bar = new QScrollBar(Qt::Vertical, parent);
    bar->setObjectName(QLatin1String(name));
    bar->setRange(minimum, maximum);
    bar->setPageStep(1);
    bar->setToolTip(tip);
    bar->setFixedHeight(26);
    return bar;
}

} // namespace

AlarmPanel::AlarmPanel(const AlarmPanelContext& ctx, QWidget* parent)
    : QWidget(parent)
    , m_ctx(ctx) {
    setObjectName(QStringLiteral("fraAlarm"));
    buildControls();
    connectHandlers();
}

void AlarmPanel::buildControls() {
    m_frame = new QGroupBox(QStringLiteral("Alarm"), this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_frame);
    auto* layout = new QVBoxLayout(m_frame);

    m_lblAlarmInfo = new QLabel(m_frame);
    m_lblAlarmInfo->setObjectName(QStringLiteral("lblAlarmInfo"));
    m_lblAlarmInfo->setAutoFillBackground(true);
    m_lblAlarmInfo->setFrameShape(QFrame::StyledPanel);
    m_lblAlarmInfo->setMargin(3);
    layout->addWidget(m_lblAlarmInfo);

    m_chkAlarmEtat = checkBox(m_frame, "chkAlarmEtat", QStringLiteral("Enable"),
                              QStringLiteral("Enable or disable the alarm for this note"));
    m_shpAlarmStatus = new QFrame(m_frame);
    m_shpAlarmStatus->setObjectName(QStringLiteral("shpAlarmStatus"));
    m_shpAlarmStatus->setFrameShape(QFrame::Box);
    m_shpAlarmStatus->setAutoFillBackground(true);
    m_shpAlarmStatus->setFixedSize(22, 22);
    // The label lies over the shape and takes its clicks and its tooltip.
    m_lblAlarmColor = new QLabel(m_shpAlarmStatus);
    m_lblAlarmColor->setObjectName(QStringLiteral("lblAlarmColor"));
    m_lblAlarmColor->setGeometry(0, 0, 22, 22);
    m_lblAlarmColor->setCursor(Qt::PointingHandCursor);
    m_cmdChooseDate = pushButton(m_frame, "cmdChooseDate", QStringLiteral("Set Alarm Date"),
                                 QStringLiteral("Choose the date of the alarm"));
    auto* stateRow = new QHBoxLayout;
    stateRow->addWidget(m_chkAlarmEtat);
    stateRow->addWidget(m_shpAlarmStatus);
    stateRow->addSpacing(6);
    stateRow->addWidget(m_cmdChooseDate, 1);
    layout->addLayout(stateRow);

    // Time, warning and first occurrence side by side with the frequency.
    auto* fraHour = new QGroupBox(QStringLiteral("Hour"), m_frame);
    fraHour->setObjectName(QStringLiteral("fraHour"));
    fraHour->setToolTip(TimeTip);
    m_txtAlarmHH = shownValue(fraHour, "txtAlarmHH", TimeTip, 30);
    m_vsbAlarmHH = spinBar(fraHour, "vsbAlarmHH", -24, 1, TimeTip);
    m_txtAlarmMM = shownValue(fraHour, "txtAlarmMM", TimeTip, 30);
    m_vsbAlarmMM = spinBar(fraHour, "vsbAlarmMM", -60, 1, TimeTip);
    auto* hourRow = new QHBoxLayout(fraHour);
    hourRow->addWidget(m_txtAlarmHH);
    hourRow->addWidget(m_vsbAlarmHH);
    hourRow->addWidget(new QLabel(QStringLiteral(":"), fraHour));
    hourRow->addWidget(m_txtAlarmMM);
    hourRow->addWidget(m_vsbAlarmMM);
    hourRow->addStretch(1);

    auto* fraPrev = new QGroupBox(QStringLiteral("Warn before"), m_frame);
    fraPrev->setObjectName(QStringLiteral("fraAlarmPrev"));
    fraPrev->setToolTip(PrevTip);
    const std::array<QString, 3> prevCaptions{QStringLiteral("Day"), QStringLiteral("Hour"),
                                              QStringLiteral("Minute")};
    auto* prevGrid = new QGridLayout(fraPrev);
    for (int index = 0; index < 3; ++index) {
        auto* option = new QRadioButton(prevCaptions.at(static_cast<size_t>(index)), fraPrev);
        option->setObjectName(QStringLiteral("optAlarmPrev%1").arg(index));
        option->setToolTip(PrevTip);
        prevGrid->addWidget(option, index, 0);
        m_optAlarmPrev.at(static_cast<size_t>(index)) = option;
    }
    m_txtAlarmPrev = shownValue(fraPrev, "txtAlarmPrev", PrevTip, 30);
    m_vsbAlarmPrev = spinBar(fraPrev, "vsbAlarmPrev", PrevBounds.at(0), 0, PrevTip);
    auto* prevValue = new QHBoxLayout;
    prevValue->addWidget(m_txtAlarmPrev);
    prevValue->addWidget(m_vsbAlarmPrev);
    prevGrid->addLayout(prevValue, 0, 1, 2, 1, Qt::AlignCenter);
    m_chkAlarmRappel =
        checkBox(fraPrev, "chkAlarmRappel", QStringLiteral("Remind"),
                 QStringLiteral("Remind the alarm on the exact date and time of the alarm"));
    prevGrid->addWidget(m_chkAlarmRappel, 2, 1);

    auto* fraFreq = new QGroupBox(QStringLiteral("Frequency"), m_frame);
    fraFreq->setObjectName(QStringLiteral("fraAlarmFreq"));
    fraFreq->setToolTip(FreqTip);
    const std::array<QString, 6> freqCaptions{
        QStringLiteral("Only once"), QStringLiteral("Yearly"), QStringLiteral("Monthly"),
        QStringLiteral("Daily"),     QStringLiteral("Weekly"), QStringLiteral("Hourly")};
    auto* freqLayout = new QVBoxLayout(fraFreq);
    freqLayout->setSpacing(2);
    m_cboAlarmFreqDay = new QComboBox(fraFreq);
    m_cboAlarmFreqDay->setObjectName(QStringLiteral("cboAlarmFreqDay"));
    m_cboAlarmFreqDay->setToolTip(FreqTip);
    for (int index = 0; index < 6; ++index) {
        auto* option = new QRadioButton(freqCaptions.at(static_cast<size_t>(index)), fraFreq);
        option->setObjectName(QStringLiteral("optAlarmFreq%1").arg(index));
        option->setToolTip(FreqTip);
        freqLayout->addWidget(option);
        if (index == WeeklyOption) {
            freqLayout->addWidget(m_cboAlarmFreqDay);
        }
        m_optAlarmFreq.at(static_cast<size_t>(index)) = option;
    }
    freqLayout->addStretch(1);

    auto* left = new QVBoxLayout;
    left->addWidget(fraHour);
    left->addWidget(fraPrev);
    auto* middle = new QHBoxLayout;
    middle->addLayout(left, 1);
    middle->addWidget(fraFreq, 1);
    layout->addLayout(middle);

    auto* fraFirst = new QGroupBox(QStringLiteral("First occurrence"), m_frame);
    fraFirst->setObjectName(QStringLiteral("fraFirstOccur"));
    const QString firstTip = QStringLiteral(
        "This is the exact date and time when the alarm will set off for the first time");
    fraFirst->setToolTip(firstTip);
    m_txtFirstOccur = shownValue(fraFirst, "txtFirstOccur", firstTip);
    auto* firstRow = new QHBoxLayout(fraFirst);
    firstRow->addWidget(m_txtFirstOccur);
    layout->addWidget(fraFirst);

    auto* actions = new QGridLayout;
    m_chkAlarmSound = checkBox(m_frame, "chkAlarmSound", QStringLiteral("Play sound"),
                               QStringLiteral("When alarm sets off, play a sound"));
    m_txtAlarmSound = shownValue(m_frame, "txtAlarmSound", {});
    m_cmdAlarmSoundBrowse = pushButton(m_frame, "cmdAlarmSoundBrowse", QStringLiteral("Browse"),
                                       QStringLiteral("Choose the sound to be played"));
    m_chkAlarmExec = checkBox(m_frame, "chkAlarmExec", QStringLiteral("Exec prog."),
                              QStringLiteral("When alarm sets off, execute a program or document"));
    m_txtAlarmExec = new QLineEdit(m_frame);
    m_txtAlarmExec->setObjectName(QStringLiteral("txtAlarmExec"));
    m_cmdAlarmExeBrowse =
        pushButton(m_frame, "cmdAlarmExeBrowse", QStringLiteral("Browse"),
                   QStringLiteral("Choose the program or document to be launched"));
    m_chkAlarmShowNote = checkBox(m_frame, "chkAlarmShowNote", QStringLiteral("Show note"),
                                  QStringLiteral("When alarm sets off, show the note"));
    const QString specialTip =
        QStringLiteral("When alarm sets off, do some special action (choose in the list)");
    m_chkAlarmWindows =
        checkBox(m_frame, "chkAlarmWindows", QStringLiteral("Special action"), specialTip);
    m_cboAlarmWindows = new QComboBox(m_frame);
    m_cboAlarmWindows->setObjectName(QStringLiteral("cboAlarmWindows"));
    m_cboAlarmWindows->setToolTip(specialTip);
    actions->addWidget(m_chkAlarmSound, 0, 0);
    actions->addWidget(m_txtAlarmSound, 0, 1);
    actions->addWidget(m_cmdAlarmSoundBrowse, 0, 2);
    actions->addWidget(m_chkAlarmExec, 1, 0);
    actions->addWidget(m_txtAlarmExec, 1, 1);
    actions->addWidget(m_cmdAlarmExeBrowse, 1, 2);
    actions->addWidget(m_chkAlarmShowNote, 2, 0);
    actions->addWidget(m_chkAlarmWindows, 3, 0);
    actions->addWidget(m_cboAlarmWindows, 3, 1, 1, 2);
    actions->setColumnStretch(1, 1);
    layout->addLayout(actions);

    layout->addStretch(1);
    m_cmdAlarmTest = pushButton(m_frame, "cmdAlarmTest", QStringLiteral("Test"),
                                QStringLiteral("To test the settings"));
    m_cmdAlarmOK = pushButton(m_frame, "cmdAlarmOK", QStringLiteral("OK"), {});
    m_cmdAlarmOK->setDefault(true);
    auto* okRow = new QHBoxLayout;
    okRow->addWidget(m_cmdAlarmTest);
    okRow->addStretch(1);
    okRow->addWidget(m_cmdAlarmOK);
    layout->addLayout(okRow);

    setLocale(m_locale);
    for (int number : {15, 16, 17}) {
        m_cboAlarmWindows->addItem(m_ctx.tr.Translation(number));
    }
    m_cboAlarmWindows->setCurrentIndex(-1);
}

void AlarmPanel::setLocale(const QLocale& locale) {
    m_locale = locale;
    const int chosen = m_cboAlarmFreqDay->currentIndex();
    const QSignalBlocker block(m_cboAlarmFreqDay);
    m_cboAlarmFreqDay->clear();
    // Monday first, in the platform's language.
    for (int day = 1; day <= 7; ++day) {
        m_cboAlarmFreqDay->addItem(m_locale.dayName(day, QLocale::LongFormat));
    }
    m_cboAlarmFreqDay->setCurrentIndex(chosen);
}

void AlarmPanel::connectHandlers() {
    connect(m_chkAlarmEtat, &QCheckBox::toggled, this, &AlarmPanel::chkAlarmEtat_Click);
    connect(m_chkAlarmRappel, &QCheckBox::toggled, this, &AlarmPanel::chkAlarmRappel_Click);
    connect(m_cmdChooseDate, &QPushButton::clicked, this, &AlarmPanel::cmdChooseDate_Click);
    connect(m_vsbAlarmHH, &QScrollBar::valueChanged, this, &AlarmPanel::vsbAlarmHH_Change);
    connect(m_vsbAlarmMM, &QScrollBar::valueChanged, this, &AlarmPanel::vsbAlarmMM_Change);
    connect(m_vsbAlarmPrev, &QScrollBar::valueChanged, this, &AlarmPanel::vsbAlarmPrev_Change);
    for (int index = 0; index < 6; ++index) {
        connect(m_optAlarmFreq.at(static_cast<size_t>(index)), &QRadioButton::toggled, this,
                [this, index](bool on) {
                    if (on) {
                        optAlarmFreq_Click(index);
                    }
                });
    }
    for (int index = 0; index < 3; ++index) {
        connect(m_optAlarmPrev.at(static_cast<size_t>(index)), &QRadioButton::toggled, this,
                [this, index](bool on) {
                    if (on) {
                        optAlarmPrev_Click(index);
                    }
                });
    }
    connect(m_cboAlarmFreqDay, &QComboBox::activated, this, &AlarmPanel::cboAlarmFreqDay_Click);
    connect(m_cboAlarmWindows, &QComboBox::activated, this, &AlarmPanel::cboAlarmWindows_Click);
    connect(m_chkAlarmWindows, &QCheckBox::toggled, this, &AlarmPanel::chkAlarmWindows_Click);
    auto onTick = [this](QCheckBox* box, bool NoteRecord::*field) {
        connect(box, &QCheckBox::toggled, this, [this, field](bool on) {
            if (!quiet()) {
                note().*field = on;
                changed();
            }
        });
    };
    onTick(m_chkAlarmSound, &NoteRecord::AlarmPlaySd);
    onTick(m_chkAlarmExec, &NoteRecord::AlarmExecut);
    onTick(m_chkAlarmShowNote, &NoteRecord::AlarmShow);
    connect(m_cmdAlarmSoundBrowse, &QPushButton::clicked, this,
            &AlarmPanel::cmdAlarmSoundBrowse_Click);
    connect(m_cmdAlarmExeBrowse, &QPushButton::clicked, this, &AlarmPanel::cmdAlarmExeBrowse_Click);
    connect(m_txtAlarmExec, &QLineEdit::returnPressed, this, &AlarmPanel::txtAlarmExec_LostFocus);
    connect(m_cmdAlarmTest, &QPushButton::clicked, this, &AlarmPanel::cmdAlarmTest_Click);
    connect(m_cmdAlarmOK, &QPushButton::clicked, this, &AlarmPanel::cmdAlarmOK_Click);
    m_txtAlarmExec->installEventFilter(this);
    m_lblAlarmColor->installEventFilter(this);
}

bool AlarmPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_txtAlarmExec && event->type() == QEvent::FocusOut) {
        txtAlarmExec_LostFocus();
    } else if (watched == m_lblAlarmColor && event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        lblAlarmColor_Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool AlarmPanel::quiet() const {
    return m_ctx.store.UpdatingLists || !m_ctx.store.isValidSlot(m_slot);
}

NoteRecord& AlarmPanel::note() {
    return m_ctx.store.Notes.at(static_cast<size_t>(m_slot));
}

QDateTime AlarmPanel::now() const {
    return m_ctx.clock.now();
}

void AlarmPanel::changed() {
    m_ctx.store.MarkChanged(m_slot, false);
    emit alarmChanged(m_slot);
}

void AlarmPanel::Open(int slot) {
    if (!m_ctx.store.isValidSlot(slot)) {
        return;
    }
    // What was typed for the note shown until now is that note's.
    if (m_txtAlarmExec->isModified()) {
        txtAlarmExec_LostFocus();
    }
    m_slot = slot;
    m_ctx.state.CurrentNote = slot;
    if (ResetAlarmDefaults(m_ctx.store, slot, m_ctx.settings.NoteDefaults, now())) {
        emit alarmChanged(slot);
    }

    const bool previous = m_ctx.store.UpdatingLists;
    m_ctx.store.UpdatingLists = true;
    NoteRecord& n = note();
    bool codesReplaced = false;

    QDate day;
    QTime time;
    if (!oledate::toParts(n.AlarmDate, day, time)) {
        day = now().date();
        time = QTime(0, 0);
    }
    m_dateText = frmCalend::toCalendarDate(day, m_locale);
    m_vsbAlarmHH->setValue(-time.hour());
    m_txtAlarmHH->setText(twoDigits(time.hour()));
    m_vsbAlarmMM->setValue(-time.minute());
    m_txtAlarmMM->setText(twoDigits(time.minute()));
    showDateCaption();

    const QChar freq = alarmcode::of(n.AlarmFreq);
    int freqIndex = 0;
    if (freq >= u'0' && freq <= u'6') {
        freqIndex = WeeklyOption;
        m_cboAlarmFreqDay->setCurrentIndex(freq.unicode() - u'0');
    } else {
        m_cboAlarmFreqDay->setCurrentIndex(-1);
        const auto* found = std::find(FreqCodes.begin(), FreqCodes.end(), freq.unicode());
        if (found == FreqCodes.end() || freq == u'0') {
            n.AlarmFreq = QString(QChar(alarmcode::Once));
            codesReplaced = true;
        } else {
            freqIndex = static_cast<int>(found - FreqCodes.begin());
        }
    }
    m_optAlarmFreq.at(static_cast<size_t>(freqIndex))->setChecked(true);

    const QChar unit = alarmcode::of(n.AlarmPrevTp);
    const auto* prevFound = std::find(PrevCodes.begin(), PrevCodes.end(), unit.unicode());
    int prevIndex = 0;
    if (prevFound == PrevCodes.end()) {
        n.AlarmPrevTp = QString(QChar(alarmcode::Days));
        codesReplaced = true;
    } else {
        prevIndex = static_cast<int>(prevFound - PrevCodes.begin());
    }
    m_optAlarmPrev.at(static_cast<size_t>(prevIndex))->setChecked(true);
    m_vsbAlarmPrev->setMinimum(PrevBounds.at(static_cast<size_t>(prevIndex)));
    m_vsbAlarmPrev->setValue(n.AlarmPrev);
    m_txtAlarmPrev->setText(QString::number(qAbs(m_vsbAlarmPrev->value())));

    m_chkAlarmEtat->setChecked(n.AlarmState != Cleared);
    refreshStatusDisplay();
    m_chkAlarmSound->setChecked(n.AlarmPlaySd);
    m_chkAlarmExec->setChecked(n.AlarmExecut);
    m_chkAlarmShowNote->setChecked(n.AlarmShow);
    const QChar special = alarmcode::of(n.AlarmSpecial);
    const bool hasSpecial = special >= u'0' && special <= u'2';
    m_chkAlarmWindows->setChecked(hasSpecial);
    m_cboAlarmWindows->setCurrentIndex(hasSpecial ? special.unicode() - u'0' : -1);

    showPath(m_txtAlarmSound, n.AlarmSndFil.trimmed());
    showPath(m_txtAlarmExec, n.AlarmExeFil.trimmed());

    const QDateTime first = NextOccurrence(n, now()).goesOff();
    m_txtFirstOccur->setText(stamp(first.date(), first.time(), m_locale));
    m_chkAlarmRappel->setEnabled(n.AlarmPrev != 0);
    m_chkAlarmRappel->setChecked(n.AlarmRemind != Cleared);

    const NoteWindowState& window = m_ctx.store.Windows.at(static_cast<size_t>(slot));
    QPalette colours = m_lblAlarmInfo->palette();
    colours.setColor(QPalette::Window, colors::screenColor(window.BackColor, palette()));
    colours.setColor(QPalette::WindowText, colors::screenColor(window.ForeColor, palette()));
    m_lblAlarmInfo->setPalette(colours);
    m_lblAlarmInfo->setText(n.trimmedTitle());
    m_frame->setTitle(m_ctx.tr.Translation(74) + n.trimmedTitle() + QLatin1Char('\''));

    m_ctx.state.CurrentPanel = PanelName;
    m_ctx.store.UpdatingLists = previous;
    if (codesReplaced) {
        changed();
    }
}

void AlarmPanel::showDateCaption() {
    QDate day;
    QTime time;
    if (!oledate::toParts(note().AlarmDate, day, time)) {
        return;
    }
    const bool withTime = time.hour() != 0 || time.minute() != 0;
    m_cmdChooseDate->setText(stamp(day, time, m_locale, withTime));
}

void AlarmPanel::showPath(QLineEdit* edit, const QString& path) {
    const QString folder = ProgramFolder::folderPart(path);
    edit->setText(path.mid(folder.size()));
    edit->setToolTip(folder);
    edit->setModified(false);
}

void AlarmPanel::refreshStatusDisplay() {
    if (!m_ctx.store.isValidSlot(m_slot)) {
        return;
    }
    const std::optional<AlarmStatusInfo> status = AlarmStatus(note(), now());
    if (!status) {
        return;
    }
    QPalette fill = m_shpAlarmStatus->palette();
    fill.setColor(QPalette::Window, statusColor(status->color));
    m_shpAlarmStatus->setPalette(fill);
    m_lblAlarmColor->setToolTip(m_ctx.tr.Translation(status->message));
}

void AlarmPanel::refreshStatus() {
    refreshStatusDisplay();
    if (m_ctx.store.isValidSlot(m_slot)) {
        const QDateTime first = NextOccurrence(note(), now()).goesOff();
        m_txtFirstOccur->setText(stamp(first.date(), first.time(), m_locale));
        const bool previous = m_ctx.store.UpdatingLists;
        m_ctx.store.UpdatingLists = true;
        m_chkAlarmEtat->setChecked(note().AlarmState != Cleared);
        m_chkAlarmRappel->setChecked(note().AlarmRemind != Cleared);
        m_ctx.store.UpdatingLists = previous;
    }
}

void AlarmPanel::refresh() {
    // Any change to the date, time, frequency or warning enables the alarm.
    {
        const QSignalBlocker block(m_chkAlarmEtat);
        m_chkAlarmEtat->setChecked(true);
    }
    NoteRecord& n = note();
    n.AlarmState = m_chkAlarmEtat->isChecked() ? Ticked : Cleared;
    n.AlarmRemind = m_chkAlarmRappel->isChecked() ? Ticked : Cleared;
    refreshStatusDisplay();
    const QDateTime first = NextOccurrence(n, now()).goesOff();
    m_txtFirstOccur->setText(stamp(first.date(), first.time(), m_locale));
    changed();
}

void AlarmPanel::chkAlarmEtat_Click() {
    if (quiet()) {
        return;
    }
    note().AlarmState = m_chkAlarmEtat->isChecked() ? Ticked : Cleared;
    refreshStatusDisplay();
    changed();
}

void AlarmPanel::lblAlarmColor_Click() {
    if (quiet()) {
        return;
    }
    {
        const QSignalBlocker block(m_chkAlarmEtat);
        m_chkAlarmEtat->setChecked(!m_chkAlarmEtat->isChecked());
    }
    NoteRecord& n = note();
    n.AlarmState = m_chkAlarmEtat->isChecked() ? Ticked : Cleared;
    n.AlarmRemind = m_chkAlarmRappel->isChecked() ? Ticked : Cleared;
    refreshStatusDisplay();
    changed();
}

void AlarmPanel::chkAlarmRappel_Click() {
    if (quiet()) {
        return;
    }
    note().AlarmRemind = m_chkAlarmRappel->isChecked() ? Ticked : Cleared;
    changed();
}

void AlarmPanel::cmdChooseDate_Click() {
    if (quiet()) {
        return;
    }
    const int slot = m_slot;
    const QDate today = now().date();
    frmCalend calendar(m_dateText.isEmpty() ? frmCalend::toCalendarDate(today, m_locale)
                                            : m_dateText,
                       m_ctx.tr, this, m_locale);
    calendar.setToday(today);
    calendar.setMessageBoxOpenHook(m_messageBoxOpen);
    const QString chosen = calendar.run();
    const QDate day = frmCalend::fromCalendarDate(chosen, m_locale);
    // Cancel, or the panel went to another note while the calendar was open.
    if (!day.isValid() || slot != m_slot || quiet()) {
        return;
    }
    m_dateText = chosen;
    QDate oldDay;
    QTime time(0, 0);
    if (!oledate::toParts(note().AlarmDate, oldDay, time)) {
        time = QTime(0, 0);
    }
    note().AlarmDate = oledate::fromParts(day, time);
    refresh();
    showDateCaption();
}

void AlarmPanel::applyTime() {
    QDate day;
    QTime time;
    if (!oledate::toParts(note().AlarmDate, day, time)) {
        day = now().date();
        time = QTime(0, 0);
    }
    const QTime chosen(-m_vsbAlarmHH->value(), -m_vsbAlarmMM->value(), time.second());
    note().AlarmDate = oledate::fromParts(day, chosen);
    m_dateText = frmCalend::toCalendarDate(day, m_locale);
    refresh();
    showDateCaption();
}

void AlarmPanel::vsbAlarmHH_Change() {
    if (quiet()) {
        return;
    }
    // One step past either end goes round: up from 23 is 00, down from 00 is 23.
    if (m_vsbAlarmHH->value() > 0) {
        m_vsbAlarmHH->setValue(-23);
        return;
    }
    if (m_vsbAlarmHH->value() < -23) {
        m_vsbAlarmHH->setValue(0);
        return;
    }
    m_txtAlarmHH->setText(twoDigits(m_vsbAlarmHH->value()));
    applyTime();
}

void AlarmPanel::vsbAlarmMM_Change() {
    if (quiet()) {
        return;
    }
    if (m_vsbAlarmMM->value() > 0) {
        m_vsbAlarmMM->setValue(-59);
        return;
    }
    if (m_vsbAlarmMM->value() < -59) {
        m_vsbAlarmMM->setValue(0);
        return;
    }
    m_txtAlarmMM->setText(twoDigits(m_vsbAlarmMM->value()));
    applyTime();
}

void AlarmPanel::optAlarmFreq_Click(int index) {
    if (quiet() || index < 0 || index >= static_cast<int>(FreqCodes.size())) {
        return;
    }
    if (index == WeeklyOption) {
        if (m_cboAlarmFreqDay->currentIndex() < 0) {
            m_cboAlarmFreqDay->setCurrentIndex(0);
        }
        note().AlarmFreq = digit(m_cboAlarmFreqDay->currentIndex());
    } else {
        note().AlarmFreq = QString(QChar(FreqCodes.at(static_cast<size_t>(index))));
    }
    refresh();
}

void AlarmPanel::cboAlarmFreqDay_Click(int index) {
    if (quiet() || index < 0 || index > 6) {
        return;
    }
    note().AlarmFreq = digit(index);
    {
        const QSignalBlocker block(m_optAlarmFreq.at(WeeklyOption));
        m_optAlarmFreq.at(WeeklyOption)->setChecked(true);
    }
    refresh();
}

void AlarmPanel::optAlarmPrev_Click(int index) {
    if (quiet() || index < 0 || index >= static_cast<int>(PrevCodes.size())) {
        return;
    }
    note().AlarmPrevTp = QString(QChar(PrevCodes.at(static_cast<size_t>(index))));
    // A warning beyond the new unit's bound comes back to it (and is written by the bar).
    m_vsbAlarmPrev->setMinimum(PrevBounds.at(static_cast<size_t>(index)));
    refresh();
}

void AlarmPanel::vsbAlarmPrev_Change() {
    if (quiet()) {
        return;
    }
    const int value = m_vsbAlarmPrev->value();
    m_txtAlarmPrev->setText(QString::number(qAbs(value)));
    note().AlarmPrev = static_cast<std::int16_t>(value);
    m_chkAlarmRappel->setEnabled(value != 0);
    refresh();
}

void AlarmPanel::checkPictureFolder() {
    if (!hasSeparator(m_ctx.settings.PictureDir)) {
        emit pictureFolderRequested();
    }
}

void AlarmPanel::chkAlarmWindows_Click() {
    if (quiet()) {
        return;
    }
    if (m_chkAlarmWindows->isChecked()) {
        if (m_cboAlarmWindows->currentIndex() < 0) {
            m_cboAlarmWindows->setCurrentIndex(0);
        }
        note().AlarmSpecial = digit(m_cboAlarmWindows->currentIndex());
    } else {
        note().AlarmSpecial = Cleared;
    }
    changed();
    if (m_chkAlarmWindows->isChecked() && m_cboAlarmWindows->currentIndex() == WallpaperIndex) {
        checkPictureFolder();
    }
}

void AlarmPanel::cboAlarmWindows_Click(int index) {
    if (quiet() || index < 0 || index > 2) {
        return;
    }
    note().AlarmSpecial = digit(index);
    // The action the list names is the one that runs: the box shows it.
    {
        const QSignalBlocker block(m_chkAlarmWindows);
        m_chkAlarmWindows->setChecked(true);
    }
    changed();
    if (index == WallpaperIndex) {
        checkPictureFolder();
    }
}

bool AlarmPanel::storePath(QString& field, const QString& path) {
    // The field holds 64 bytes as stored.
    if (textcodec::encode(path).size() > width::SoundFile) {
        m_ctx.messages.Message_box(m_ctx.tr.Translation(50), m_ctx.tr.Translation(51),
                                   msgbox::Error);
        return false;
    }
    field = path;
    changed();
    return true;
}

namespace {

// What the open-file dialog gave: trimmed, cut at its first NUL.
QString chosenName(QString name) {
    const qsizetype nul = name.indexOf(QChar(u'\0'));
    if (nul >= 0) {
        name.truncate(nul);
    }
    return name.trimmed();
}

} // namespace

void AlarmPanel::cmdAlarmSoundBrowse_Click() {
    if (quiet()) {
        return;
    }
    const QString chosen =
        chosenName(m_ctx.dialogs.openFile(this, QStringLiteral("Choose a sound file to play"),
                                          ProgramFolder::folderPart(note().AlarmSndFil.trimmed()),
                                          QStringLiteral("WAV files (*.wav)")));
    if (chosen.isEmpty() || !storePath(note().AlarmSndFil, chosen)) {
        return;
    }
    showPath(m_txtAlarmSound, chosen);
    // A preview of the chosen sound, over whatever was playing.
    m_ctx.sound.stop();
    m_ctx.sound.play(chosen);
}

void AlarmPanel::cmdAlarmExeBrowse_Click() {
    if (quiet()) {
        return;
    }
    const QString chosen = chosenName(m_ctx.dialogs.openFile(
        this, QStringLiteral("Choose a program or document file to execute"),
        ProgramFolder::folderPart(note().AlarmExeFil.trimmed()), QStringLiteral("All files (*)")));
    if (!chosen.isEmpty() && storePath(note().AlarmExeFil, chosen)) {
        showPath(m_txtAlarmExec, chosen);
    }
}

void AlarmPanel::txtAlarmExec_LostFocus() {
    if (m_ctx.state.CurrentPanel != PanelName || quiet()) {
        return;
    }
    m_txtAlarmExec->setModified(false);
    const QString typed = m_txtAlarmExec->text().trimmed();
    QString path;
    if (isFullPath(typed)) {
        path = typed;
    } else if (!typed.isEmpty()) {
        path = m_txtAlarmExec->toolTip() + typed;
    }
    NoteRecord& n = note();
    if (path == n.AlarmExeFil.trimmed()) {
        return;
    }
    if (storePath(n.AlarmExeFil, path)) {
        showPath(m_txtAlarmExec, path);
    } else {
        showPath(m_txtAlarmExec, n.AlarmExeFil.trimmed());
    }
}

void AlarmPanel::cmdAlarmTest_Click() {
    emit testRequested();
}

void AlarmPanel::cmdAlarmOK_Click() {
    // Typing still in the field has not been applied yet.
    if (m_txtAlarmExec->isModified()) {
        txtAlarmExec_LostFocus();
    }
    m_ctx.state.CurrentPanel = QStringLiteral("prop");
    refreshStatusDisplay();
    emit closed();
}
