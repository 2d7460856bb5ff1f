#include "alarms/alarmpanel.h"

#include "localisation/translator.h"
#include "store/noterecord.h"

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

// The controls of fraAlarm and the wiring of their handlers.

namespace {

const QString TimeTip = QStringLiteral("Set the time of the alarm (00:00 to disable)");
const QString FreqTip = QStringLiteral("Choose the alarm repetition type");
const QString PrevTip = QStringLiteral("Choose how many time to be warned before the alarm date");

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
    // A long title is cut, not a reason for a wider manager.
    m_lblAlarmInfo->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
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

    setDateLocale(m_locale);
    for (int number : {15, 16, 17}) {
        m_cboAlarmWindows->addItem(m_ctx.tr.Translation(number));
    }
    m_cboAlarmWindows->setCurrentIndex(-1);
}

void AlarmPanel::setDateLocale(const QLocale& locale) {
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
