#pragma once

#include "alarms/alarmpanelcontext.h"

#include <QDate>
#include <QLocale>
#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
struct NoteRecord;

// fraAlarm: the alarm of one note. Every control writes straight into the note and marks it
// changed; there is no cancel.
class AlarmPanel : public QWidget {
    Q_OBJECT
public:
    explicit AlarmPanel(const AlarmPanelContext& ctx, QWidget* parent = nullptr);

    // Fills the panel for a note (giving a never-set alarm its defaults) and makes it the
    // current panel; the manager brings it to the front.
    void Open(int slot);
    // The note the panel shows, -1 before the first Open.
    [[nodiscard]] int shownNote() const { return m_slot; }
    // Re-reads the state of the shown alarm (after a check changed it).
    void refreshStatus();
    // The program's flag for its own modal windows, raised while the calendar is open.
    void setMessageBoxOpenHook(std::function<void(bool)> hook) {
        m_messageBoxOpen = std::move(hook);
    }
    // The locale of the day names and of the calendar's date order (the system's by default);
    // QWidget::locale() stays as it is.
    void setDateLocale(const QLocale& locale);

    void chkAlarmEtat_Click();
    void lblAlarmColor_Click();
    void chkAlarmRappel_Click();
    void cmdChooseDate_Click();
    void vsbAlarmHH_Change();
    void vsbAlarmMM_Change();
    void optAlarmFreq_Click(int index);
    void cboAlarmFreqDay_Click(int index);
    void optAlarmPrev_Click(int index);
    void vsbAlarmPrev_Change();
    void chkAlarmWindows_Click();
    void cboAlarmWindows_Click(int index);
    void cmdAlarmSoundBrowse_Click();
    void cmdAlarmExeBrowse_Click();
    void txtAlarmExec_LostFocus();
    void cmdAlarmTest_Click();
    void cmdAlarmOK_Click();

signals:
    // OK: the properties panel comes back to the front.
    void closed();
    // A field of the note's alarm was written: its list line and properties row follow.
    void alarmChanged(int slot);
    // The test button: the alarm check runs now.
    void testRequested();
    // The random wallpaper was chosen while no picture folder is set.
    void pictureFolderRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void connectHandlers();
    [[nodiscard]] bool quiet() const;
    [[nodiscard]] NoteRecord& note();
    // MarkChanged and the signal.
    void changed();
    // The common refresh after a change of date, time, frequency or warning.
    void refresh();
    void refreshStatusDisplay();
    void showDateCaption();
    void showPath(QLineEdit* edit, const QString& path);
    // Sets the time of day of AlarmDate from the two scroll bars, keeping its day and seconds.
    void applyTime();
    // Stores a chosen or typed path when it fits its field; false (with the path error box)
    // when it does not.
    bool storePath(QString& field, const QString& path);
    // The picture folder is needed by the random wallpaper.
    void checkPictureFolder();
    [[nodiscard]] QDateTime now() const;

    // optAlarmFreq index -> AlarmFreq; the weekly option stores the day instead.
    static constexpr int WeeklyOption = 4;
    static constexpr std::array<char16_t, 6> FreqCodes{u'U', u'A', u'M', u'J', u'0', u'H'};
    // optAlarmPrev index -> AlarmPrevTp and the bound of vsbAlarmPrev.
    static constexpr std::array<char16_t, 3> PrevCodes{u'J', u'H', u'M'};
    static constexpr std::array<int, 3> PrevBounds{-30, -23, -59};
    static constexpr int WallpaperIndex = 0;

    AlarmPanelContext m_ctx;
    QLocale m_locale = QLocale::system();
    std::function<void(bool)> m_messageBoxOpen;
    int m_slot = -1;
    // The alarm day as the calendar takes it.
    QString m_dateText;

    QGroupBox* m_frame = nullptr;
    QLabel* m_lblAlarmInfo = nullptr;
    QCheckBox* m_chkAlarmEtat = nullptr;
    QFrame* m_shpAlarmStatus = nullptr;
    QLabel* m_lblAlarmColor = nullptr;
    QPushButton* m_cmdChooseDate = nullptr;
    QScrollBar* m_vsbAlarmHH = nullptr;
    QLineEdit* m_txtAlarmHH = nullptr;
    QScrollBar* m_vsbAlarmMM = nullptr;
    QLineEdit* m_txtAlarmMM = nullptr;
    std::array<QRadioButton*, 6> m_optAlarmFreq{};
    QComboBox* m_cboAlarmFreqDay = nullptr;
    std::array<QRadioButton*, 3> m_optAlarmPrev{};
    QScrollBar* m_vsbAlarmPrev = nullptr;
    QLineEdit* m_txtAlarmPrev = nullptr;
    QCheckBox* m_chkAlarmRappel = nullptr;
    QLineEdit* m_txtFirstOccur = nullptr;
    QCheckBox* m_chkAlarmSound = nullptr;
    QLineEdit* m_txtAlarmSound = nullptr;
    QPushButton* m_cmdAlarmSoundBrowse = nullptr;
    QCheckBox* m_chkAlarmExec = nullptr;
    QLineEdit* m_txtAlarmExec = nullptr;
    QPushButton* m_cmdAlarmExeBrowse = nullptr;
    QCheckBox* m_chkAlarmShowNote = nullptr;
    QCheckBox* m_chkAlarmWindows = nullptr;
    QComboBox* m_cboAlarmWindows = nullptr;
    QPushButton* m_cmdAlarmTest = nullptr;
    QPushButton* m_cmdAlarmOK = nullptr;
};
