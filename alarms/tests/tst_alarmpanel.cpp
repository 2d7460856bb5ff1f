#include "alarms/alarmpanel.h"
#include "alarms/frmcalend.h"
#include "localisation/translator.h"
#include "platform/oledate.h"
#include "platform/testing/fakes.h"
#include "platform/testing/testmain.h"
#include "store/notestore.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QLocale DayFirst(QLocale::English, QLocale::UnitedKingdom);
const QLocale MonthFirst(QLocale::English, QLocale::UnitedStates);

double ole(const QString& text) {
    const QDateTime t = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return oledate::fromParts(t.date(), t.time());
}

QString stored(double alarmDate) {
    QDate day;
    QTime time;
    if (!oledate::toParts(alarmDate, day, time)) {
        return {};
    }
    return QDateTime(day, time).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// Clicks the day button showing `day` in the shown month.
void clickDay(QWidget* calendar, int day) {
    for (int index = 0; index < frmCalend::DayButtons; ++index) {
        auto* button = calendar->findChild<QPushButton*>(QStringLiteral("btnJour%1").arg(index));
        if (button->text() == QLatin1String("1")) {
            calendar->findChild<QPushButton*>(QStringLiteral("btnJour%1").arg(index + day - 1))
                ->click();
            return;
        }
    }
}

// Runs steps on a calendar: "day 31", "cell 33", "month 4", "year 2025", "today", "ok",
// "cancel", "close" (the close box), separated by "; ".
void drive(frmCalend& calendar, const QString& steps) {
    for (const QString& step : steps.split(QStringLiteral("; "), Qt::SkipEmptyParts)) {
        const QString verb = step.section(QLatin1Char(' '), 0, 0);
        const int value = step.section(QLatin1Char(' '), 1, 1).toInt();
        if (verb == QLatin1String("day")) {
            clickDay(&calendar, value);
        } else if (verb == QLatin1String("cell")) {
            calendar.findChild<QPushButton*>(QStringLiteral("btnJour%1").arg(value))->click();
        } else if (verb == QLatin1String("month")) {
            auto* months = calendar.findChild<QComboBox*>(QStringLiteral("cMois"));
            months->setCurrentIndex(value - 1);
            emit months->activated(value - 1);
        } else if (verb == QLatin1String("year")) {
            auto* years = calendar.findChild<QComboBox*>(QStringLiteral("cAn"));
            const int index = years->findText(QString::number(value));
            years->setCurrentIndex(index);
            emit years->activated(index);
        } else {
            if (verb == QLatin1String("close")) {
                calendar.show();
                calendar.close();
                continue;
            }
            const char* name = verb == QLatin1String("ok")      ? "Cde_Ok"
                               : verb == QLatin1String("today") ? "cde_Today"
                                                                : "Cde_Annuler";
            calendar.findChild<QPushButton*>(QLatin1String(name))->click();
        }
    }
}

} // namespace

// The alarm panel and the calendar picker, driven through their controls.
class TestAlarmPanel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void open_data();
    void open();
    void controls_data();
    void controls();
    void paths_data();
    void paths();
    void specialAction_data();
    void specialAction();
    void calendar_data();
    void calendar();
    void chooseDate_data();
    void chooseDate();
    void testButtonShowsTheCheck();

private:
    // One note (after another) with its alarm as given, the panel open on it.
    void openOn(const std::function<void(NoteRecord&)>& setup);
    NoteRecord& note() { return m_store->Notes.at(1); }
    template <typename T>
    T* control(const char* name) {
        T* found = m_panel->findChild<T*>(QLatin1String(name));
        Q_ASSERT(found != nullptr);
        return found;
    }

    QTemporaryDir m_home;
    std::unique_ptr<NoteStore> m_store;
    Settings m_settings;
    ProgramState m_state;
    FakeMessageSink m_messages;
    Translator m_tr;
    FakeDialogs m_dialogs;
    FakeClock m_clock; // Friday 15 March 2024, 10:30
    FakeSound m_sound;
    std::unique_ptr<AlarmPanel> m_panel;
};

void TestAlarmPanel::initTestCase() {
    QVERIFY(m_home.isValid());
    qputenv("HOME", m_home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (m_home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (m_home.path() + QStringLiteral("/data")).toUtf8());
}

void TestAlarmPanel::init() {
    m_store = std::make_unique<NoteStore>();
    m_settings = Settings();
    m_settings.NoteDefaults.AlarmFreq = QStringLiteral("J");
    m_settings.NoteDefaults.AlarmPrevTp = QStringLiteral("M");
    m_settings.NoteDefaults.AlarmPrev = -10;
    m_settings.NoteDefaults.AlarmShow = true;
    m_state = ProgramState();
    m_messages.shown.clear();
    m_sound = FakeSound();
    m_dialogs.files.clear();
    m_panel = std::make_unique<AlarmPanel>(AlarmPanelContext{
        *m_store, m_settings, m_state, m_messages, m_tr, m_dialogs, m_clock, m_sound});
    m_panel->setDateLocale(DayFirst);
    m_panel->resize(m_panel->sizeHint());
}

void TestAlarmPanel::cleanup() {
    m_panel.reset();
}

void TestAlarmPanel::openOn(const std::function<void(NoteRecord&)>& setup) {
    m_store->addNote(0, NoteRecord(), NoteWindowState());
    NoteRecord record;
    record.setTitle(QStringLiteral("Dentist"));
    record.AlarmState = QStringLiteral("E");
    record.AlarmDate = ole(QStringLiteral("2024-03-20 14:25:30"));
    record.AlarmPrevTp = QStringLiteral("M");
    record.AlarmPrev = -15;
    setup(record);
    m_store->addNote(0, record, NoteWindowState());
    m_panel->Open(1);
    m_store->Notes.at(1).ChangeMark = mark::Blank;
    m_store->DataChanged = false;
}

void TestAlarmPanel::open_data() {
    QTest::addColumn<QString>("freq");
    QTest::addColumn<QString>("prevTp");
    QTest::addColumn<double>("alarmDate");
    QTest::addColumn<QString>("expect"); // field=value pairs, separated by blanks
    QTest::newRow("never set: today, defaults, disabled")
        << u"U"_s << u"J"_s << 0.0
        << u"AlarmDate=2024-03-15_00:00:00 AlarmFreq=J AlarmPrev=-10 optAlarmFreq3=1 "
           "chkAlarmEtat=0 cmdChooseDate=Fri_15/03/2024 txtAlarmHH=00 txtAlarmMM=00 marked=1"_s;
    QTest::newRow("unknown codes replaced")
        << u"X"_s << u"Q"_s << ole(QStringLiteral("2024-03-20 14:25:30"))
        << u"AlarmFreq=U AlarmPrevTp=J optAlarmFreq0=1 "
           "optAlarmPrev0=1 marked=1"_s;
    QTest::newRow("weekly day and time shown")
        << u"3"_s << u"H"_s << ole(QStringLiteral("2024-03-20 14:25:30"))
        << u"optAlarmFreq4=1 cboAlarmFreqDay=Thursday optAlarmPrev1=1 txtAlarmHH=14 "
           "txtAlarmMM=25 cmdChooseDate=Wed_20/03/2024_14:25 txtFirstOccur=Tue_19/03/2024_23:25 "
           "marked=0"_s;
}

void TestAlarmPanel::open() {
    QFETCH(QString, freq);
    QFETCH(QString, prevTp);
    QFETCH(double, alarmDate);
    QFETCH(QString, expect);
    m_store->addNote(0, NoteRecord(), NoteWindowState());
    NoteRecord record;
    record.AlarmFreq = freq;
    record.AlarmPrevTp = prevTp;
    record.AlarmPrev = -15;
    record.AlarmDate = alarmDate;
    record.AlarmState = alarmDate == 0.0 ? QStringLiteral(" ") : QStringLiteral("E");
    m_store->addNote(0, record, NoteWindowState());
    m_panel->Open(1);
    QCOMPARE(m_state.CurrentPanel, QStringLiteral("alarm"));
    for (const QString& pair : expect.split(QLatin1Char(' '))) {
        const QString key = pair.section(QLatin1Char('='), 0, 0);
        const QString want =
            pair.section(QLatin1Char('='), 1).replace(QLatin1Char('_'), QLatin1Char(' '));
        QString got;
        if (key == QLatin1String("AlarmDate")) {
            got = stored(note().AlarmDate);
        } else if (key == QLatin1String("AlarmFreq")) {
            got = note().AlarmFreq;
        } else if (key == QLatin1String("AlarmPrevTp")) {
            got = note().AlarmPrevTp;
        } else if (key == QLatin1String("AlarmPrev")) {
            got = QString::number(note().AlarmPrev);
        } else if (key == QLatin1String("marked")) {
            got = QString::number(note().ChangeMark == mark::Modified ? 1 : 0);
        } else if (auto* button = m_panel->findChild<QAbstractButton*>(key);
                   button != nullptr && button->isCheckable()) {
            got = QString::number(button->isChecked() ? 1 : 0);
        } else if (auto* push = m_panel->findChild<QPushButton*>(key)) {
            got = push->text();
        } else if (auto* edit = m_panel->findChild<QLineEdit*>(key)) {
            got = edit->text();
        } else if (auto* combo = m_panel->findChild<QComboBox*>(key)) {
            got = combo->currentText();
        }
        QVERIFY2(got == want, qPrintable(key + QStringLiteral(": ") + got));
    }
}

void TestAlarmPanel::controls_data() {
    QTest::addColumn<QString>(
        "setup"); // AlarmFreq AlarmPrevTp AlarmPrev, the day in March 2024 and time
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("action");     // a scroll-bar step, or a click
    QTest::addColumn<QString>("expect"); // AlarmDate or AlarmFreq AlarmPrevTp AlarmPrev
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("remindEnabled");
    const int up = QAbstractSlider::SliderSingleStepSub;
    const int down = QAbstractSlider::SliderSingleStepAdd;
    QTest::newRow("hour up from 23") << u"U M -15 20 23:59"_s << u"vsbAlarmHH"_s << up
                                     << u"2024-03-20 00:59:30"_s << u"00"_s << true;
    QTest::newRow("hour down from 00") << u"U M -15 20 00:10"_s << u"vsbAlarmHH"_s << down
                                       << u"2024-03-20 23:10:30"_s << u"23"_s << true;
    QTest::newRow("minute up from 59") << u"U M -15 20 14:59"_s << u"vsbAlarmMM"_s << up
                                       << u"2024-03-20 14:00:30"_s << u"00"_s << true;
    QTest::newRow("minute down from 00") << u"U M -15 20 14:00"_s << u"vsbAlarmMM"_s << down
                                         << u"2024-03-20 14:59:30"_s << u"59"_s << true;
    QTest::newRow("weekly without a day: Monday")
        << u"J M -15 10 14:25"_s << u"optAlarmFreq4"_s << 0 << u"0 M -15"_s
        << u"Mon 18/03/2024 14:10"_s << true;
    QTest::newRow("a day chooses weekly") << u"J M -15 10 14:25"_s << u"cboAlarmFreqDay"_s << 5
                                          << u"5 M -15"_s << u"Sat 16/03/2024 14:10"_s << true;
    QTest::newRow("warning to 0 disables Remind")
        << u"U M -1 20 14:25"_s << u"vsbAlarmPrev"_s << down << u"U M 0"_s << u"0"_s << false;
    QTest::newRow("unit change keeps the warning in range")
        << u"U M -45 20 14:25"_s << u"optAlarmPrev1"_s << 0 << u"U H -23"_s << u"23"_s << true;
}

void TestAlarmPanel::controls() {
    QFETCH(QString, setup);
    QFETCH(QString, name);
    QFETCH(int, action);
    QFETCH(QString, expect);
    QFETCH(QString, shown);
    QFETCH(bool, remindEnabled);
    const QStringList parts = setup.split(QLatin1Char(' '));
    openOn([&parts](NoteRecord& n) {
        n.AlarmState = QStringLiteral(" ");
        n.AlarmRemind = QStringLiteral("E");
        n.AlarmFreq = parts.at(0);
        n.AlarmPrevTp = parts.at(1);
        n.AlarmPrev = static_cast<std::int16_t>(parts.at(2).toInt());
        n.AlarmDate = ole(QStringLiteral("2024-03-%1 %2:30").arg(parts.at(3), parts.at(4)));
    });
    QSignalSpy changed(m_panel.get(), &AlarmPanel::alarmChanged);
    QWidget* widget = m_panel->findChild<QWidget*>(name);
    if (auto* bar = qobject_cast<QScrollBar*>(widget)) {
        bar->triggerAction(static_cast<QAbstractSlider::SliderAction>(action));
        const QString field = QString(name).replace(QStringLiteral("vsb"), QStringLiteral("txt"));
        QCOMPARE(control<QLineEdit>(qPrintable(field))->text(), shown);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        combo->setCurrentIndex(action);
        emit combo->activated(action);
        QVERIFY(control<QRadioButton>("optAlarmFreq4")->isChecked());
    } else {
        qobject_cast<QAbstractButton*>(widget)->click();
    }
    if (expect.startsWith(QLatin1String("2024"))) {
        QCOMPARE(stored(note().AlarmDate), expect);
    } else {
        QCOMPARE(note().AlarmFreq + QLatin1Char(' ') + note().AlarmPrevTp + QLatin1Char(' ') +
                     QString::number(note().AlarmPrev),
                 expect);
        if (shown.contains(QLatin1Char('/'))) {
            QCOMPARE(control<QLineEdit>("txtFirstOccur")->text(), shown);
        }
    }
    QCOMPARE(control<QCheckBox>("chkAlarmRappel")->isEnabled(), remindEnabled);
    // Every such change enables the alarm and re-arms its reminder.
    QCOMPARE(note().AlarmState, QStringLiteral("E"));
    QCOMPARE(note().AlarmRemind, QStringLiteral("E"));
    QCOMPARE(note().ChangeMark, mark::Modified);
    QVERIFY(!changed.isEmpty());
}

void TestAlarmPanel::paths_data() {
    QTest::addColumn<QString>("how"); // "sound", "exe" (browse), "typed" (a name) or "typed full"
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("stored");
    const QString folder = QStringLiteral("/home/zoe/sounds/"); // 17 bytes
    QTest::newRow("sound of 64 bytes")
        << u"sound"_s << folder + QString(43, u'a') + u".wav"_s << true;
    QTest::newRow("sound of 65 bytes")
        << u"sound"_s << folder + QString(44, u'a') + u".wav"_s << false;
    QTest::newRow("61 characters, 65 bytes")
        << u"exe"_s << folder + QString(39, u'a') + u"Ωb.sh"_s << false;
    QTest::newRow("name cut at NUL") << u"exe"_s << folder + u"run.sh\0junk"_s << true;
    QTest::newRow("typed name: 64 bytes with its folder")
        << u"typed"_s << folder + QString(44, u'b') + u".sh"_s << true;
    QTest::newRow("typed name: 65 bytes with its folder")
        << u"typed"_s << folder + QString(45, u'b') + u".sh"_s << false;
    QTest::newRow("typed full path") << u"typed full"_s << u"/usr/local/bin/wake"_s << true;
    QTest::newRow("typed nothing: no program") << u"typed full"_s << QString() << true;
}

void TestAlarmPanel::paths() {
    QFETCH(QString, how);
    QFETCH(QString, path);
    QFETCH(bool, stored);
    const QString old = QStringLiteral("/home/zoe/sounds/old.sh");
    openOn([&old](NoteRecord& n) {
        n.AlarmSndFil = old;
        n.AlarmExeFil = old;
    });
    const QString want = stored ? path.section(QChar(u'\0'), 0, 0) : old;
    QLineEdit* shown =
        control<QLineEdit>(how == QLatin1String("sound") ? "txtAlarmSound" : "txtAlarmExec");
    if (how.startsWith(QLatin1String("typed"))) {
        shown->setText(how == QLatin1String("typed") ? path.section(QLatin1Char('/'), -1) : path);
        shown->setModified(true);
        m_panel->cmdAlarmOK_Click();
    } else {
        m_dialogs.files.enqueue(path);
        control<QPushButton>(how == QLatin1String("sound") ? "cmdAlarmSoundBrowse"
                                                           : "cmdAlarmExeBrowse")
            ->click();
    }
    QCOMPARE(how == QLatin1String("sound") ? note().AlarmSndFil : note().AlarmExeFil, want);
    QCOMPARE(shown->text(), want.section(QLatin1Char('/'), -1));
    QCOMPARE(shown->toolTip(), want.left(want.lastIndexOf(QLatin1Char('/')) + 1));
    QCOMPARE(m_messages.count(), stored ? 0 : 1);
    if (!stored) {
        QCOMPARE(m_messages.shown.at(0).title, m_tr.Translation(51));
        QCOMPARE(m_messages.shown.at(0).text, m_tr.Translation(50));
    }
    QCOMPARE(note().ChangeMark, stored ? mark::Modified : mark::Blank);
    // A chosen sound is heard once.
    QCOMPARE(m_sound.played,
             how == QLatin1String("sound") && stored ? QStringList{want} : QStringList{});
}

void TestAlarmPanel::specialAction_data() {
    QTest::addColumn<QString>("pictureDir");
    QTest::addColumn<QString>("before"); // AlarmSpecial
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("index"); // list index chosen, -1 for a click on the box
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("folderRequests");
    QTest::newRow("tick without folder")
        << u""_s << u" "_s << u"chkAlarmWindows"_s << -1 << u"0"_s << 1;
    QTest::newRow("tick with folder")
        << u"/home/zoe/pics"_s << u" "_s << u"chkAlarmWindows"_s << -1 << u"0"_s << 0;
    QTest::newRow("folder named without a separator")
        << u"pics"_s << u" "_s << u"cboAlarmWindows"_s << 0 << u"0"_s << 1;
    QTest::newRow("screensaver needs no folder")
        << u""_s << u"0"_s << u"cboAlarmWindows"_s << 1 << u"1"_s << 0;
    QTest::newRow("untick") << u""_s << u"2"_s << u"chkAlarmWindows"_s << -1 << u" "_s << 0;
}

void TestAlarmPanel::specialAction() {
    QFETCH(QString, pictureDir);
    QFETCH(QString, before);
    QFETCH(QString, control);
    QFETCH(int, index);
    QFETCH(QString, after);
    QFETCH(int, folderRequests);
    m_settings.PictureDir = pictureDir;
    openOn([&before](NoteRecord& n) { n.AlarmSpecial = before; });
    QSignalSpy requests(m_panel.get(), &AlarmPanel::pictureFolderRequested);
    if (index < 0) {
        this->control<QCheckBox>("chkAlarmWindows")->click();
    } else {
        auto* list = this->control<QComboBox>("cboAlarmWindows");
        list->setCurrentIndex(index);
        emit list->activated(index);
    }
    QCOMPARE(note().AlarmSpecial, after);
    QCOMPARE(requests.count(), folderRequests);
    QCOMPARE(this->control<QCheckBox>("chkAlarmWindows")->isChecked(), after != QLatin1String(" "));
    QCOMPARE(note().ChangeMark, mark::Modified);
}

void TestAlarmPanel::calendar_data() {
    QTest::addColumn<bool>("monthFirst");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("shown"); // lblDate before the last step
    QTest::addColumn<QString>("result");
    QTest::newRow("31 then April") << false << u"31/01/2025"_s << u"month 4; ok"_s
                                   << u"Wednesday 30 April 2025"_s << u"30/04/2025"_s;
    QTest::newRow("31 kept for May") << false << u"31/01/2025"_s << u"month 4; month 5; ok"_s
                                     << u"Saturday 31 May 2025"_s << u"31/05/2025"_s;
    QTest::newRow("29 February 2025") << false << u"29/02/2024"_s << u"year 2025; ok"_s
                                      << u"Friday 28 February 2025"_s << u"28/02/2025"_s;
    QTest::newRow("29 February 2024 again")
        << false << u"29/02/2024"_s << u"year 2025; year 2024; ok"_s
        << u"Thursday 29 February 2024"_s << u"29/02/2024"_s;
    QTest::newRow("a day of the next month") << false << u"31/01/2025"_s << u"cell 33; ok"_s
                                             << u"Saturday 01 February 2025"_s << u"01/02/2025"_s;
    QTest::newRow("today") << false << u"31/01/2025"_s << u"today; ok"_s
                           << u"Friday 15 March 2024"_s << u"15/03/2024"_s;
    QTest::newRow("cancel") << false << u"31/01/2025"_s << u"day 7; cancel"_s
                            << u"Tuesday 07 January 2025"_s << u""_s;
    QTest::newRow("close box") << false << u"31/01/2025"_s << u"day 7; close"_s
                               << u"Tuesday 07 January 2025"_s << u""_s;
    QTest::newRow("no date: today")
        << false << u""_s << u"ok"_s << u"Friday 15 March 2024"_s << u"15/03/2024"_s;
    QTest::newRow("month first") << true << u"12/31/2024"_s << u"month 2; ok"_s
                                 << u"Thursday 29 February 2024"_s << u"02/29/2024"_s;
    QTest::newRow("year outside the list") << false << u"10/06/2150"_s << u"month 2; ok"_s
                                           << u"Tuesday 10 February 2150"_s << u"10/02/2150"_s;
}

void TestAlarmPanel::calendar() {
    QFETCH(bool, monthFirst);
    QFETCH(QString, entry);
    QFETCH(QString, steps);
    QFETCH(QString, shown);
    QFETCH(QString, result);
    frmCalend calendar(entry, m_tr, nullptr, monthFirst ? MonthFirst : DayFirst);
    calendar.setToday(QDate(2024, 3, 15));
    if (entry.isEmpty()) {
        calendar.cde_Today_Click();
        calendar.Cde_Ok_Click();
        QCOMPARE(calendar.CalendarDate(), result);
        return;
    }
    const QString last = steps.section(QStringLiteral("; "), -1);
    drive(calendar, steps.section(QStringLiteral("; "), 0, -2));
    QCOMPARE(calendar.findChild<QLabel*>(QStringLiteral("lblDate"))->text(), shown);
    drive(calendar, last);
    QCOMPARE(calendar.CalendarDate(), result);
    QCOMPARE(calendar.result(), result.isEmpty() ? QDialog::Rejected : QDialog::Accepted);
}

void TestAlarmPanel::chooseDate_data() {
    QTest::addColumn<bool>("monthFirst");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("alarmDate");
    QTest::addColumn<QString>("caption");
    QTest::newRow("a day keeps the time")
        << false << u"day 22; ok"_s << u"2024-03-22 14:25:30"_s << u"Fri 22/03/2024 14:25"_s;
    QTest::newRow("cancel changes nothing")
        << false << u"day 22; cancel"_s << u"2024-03-20 14:25:30"_s << u"Wed 20/03/2024 14:25"_s;
    QTest::newRow("month first") << true << u"day 22; ok"_s << u"2024-03-22 14:25:30"_s
                                 << u"Fri 03/22/2024 14:25"_s;
}

void TestAlarmPanel::chooseDate() {
    QFETCH(bool, monthFirst);
    QFETCH(QString, steps);
    QFETCH(QString, alarmDate);
    QFETCH(QString, caption);
    m_panel->setDateLocale(monthFirst ? MonthFirst : DayFirst);
    openOn([](NoteRecord& n) { n.AlarmState = QStringLiteral(" "); });
    QList<bool> boxOpen;
    m_panel->setMessageBoxOpenHook([&boxOpen](bool open) { boxOpen << open; });
    QString entryShown;
    QTimer::singleShot(0, this, [&] {
        auto* calendar = qobject_cast<frmCalend*>(QApplication::activeModalWidget());
        QVERIFY(calendar != nullptr);
        entryShown = calendar->shownDate().toString(Qt::ISODate);
        drive(*calendar, steps);
    });
    control<QPushButton>("cmdChooseDate")->click();
    // The calendar starts at the alarm's day, whatever the platform's date order.
    QCOMPARE(entryShown, QStringLiteral("2024-03-20"));
    QCOMPARE(boxOpen, (QList<bool>{true, false}));
    QCOMPARE(stored(note().AlarmDate), alarmDate);
    QCOMPARE(control<QPushButton>("cmdChooseDate")->text(), caption);
    const bool chosen = steps.endsWith(QLatin1String("ok"));
    QCOMPARE(note().AlarmState, chosen ? QStringLiteral("E") : QStringLiteral(" "));
    QCOMPARE(note().ChangeMark, chosen ? mark::Modified : mark::Blank);
}

void TestAlarmPanel::testButtonShowsTheCheck() {
    openOn([](NoteRecord&) {});
    connect(m_panel.get(), &AlarmPanel::testRequested, this,
            [this] { note().AlarmState = QStringLiteral("-"); });
    control<QPushButton>("cmdAlarmTest")->click();
    QCOMPARE(control<QLabel>("lblAlarmColor")->toolTip(), m_tr.Translation(35));
    QVERIFY(control<QCheckBox>("chkAlarmEtat")->isChecked());
    QCOMPARE(note().ChangeMark, mark::Blank);
}

QB_TEST_CLASS(TestAlarmPanel)
#include "tst_alarmpanel.moc"
