#pragma once

#include <QDate>
#include <QDialog>
#include <QLocale>
#include <QString>

#include <array>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class Translator;

// frmCalend: the calendar picker. It takes a date as `CalendarDate` text in the platform's date
// order ("dd/mm/yyyy" or "mm/dd/yyyy") and gives back the chosen day in the same form, or an
// empty text after Cancel.
class frmCalend : public QDialog {
    Q_OBJECT
public:
    static constexpr int DayButtons = 42;
    static constexpr int FirstYear = 2000;
    static constexpr int LastYear = 2100;

    frmCalend(const QString& calendarDate, const Translator& tr, QWidget* parent = nullptr,
              const QLocale& locale = QLocale::system());

    // Shows the picker modally over `owner` and returns the chosen date text, empty after
    // Cancel. `setMessageBoxOpen` hears true while the picker is shown and false when it closes.
    static QString pick(QWidget* owner, const QString& calendarDate, const Translator& tr,
                        const std::function<void(bool)>& setMessageBoxOpen = {});
    static QString pick(QWidget* owner, const QString& calendarDate, const Translator& tr,
                        bool& messageBoxOpen);

    // The platform reads "01/02/2000" as the 1st of February.
    [[nodiscard]] static bool dayFirst(const QLocale& locale = QLocale::system());
    // A date as the picker exchanges it, and back (an invalid date for a text that is none).
    [[nodiscard]] static QString toCalendarDate(const QDate& date,
                                                const QLocale& locale = QLocale::system());
    [[nodiscard]] static QDate fromCalendarDate(const QString& text,
                                                const QLocale& locale = QLocale::system());

    // The exchanged text: the entry date until OK or Cancel, then the result.
    [[nodiscard]] const QString& CalendarDate() const { return m_calendarDate; }
    // The day shown as chosen.
    [[nodiscard]] QDate shownDate() const;

    void setMessageBoxOpenHook(std::function<void(bool)> hook) {
        m_messageBoxOpen = std::move(hook);
    }
    // The day the Today button goes to (the clock's date; the system date until set).
    void setToday(const QDate& today) { m_today = today; }
    // Shows the picker modally and returns CalendarDate.
    QString run();

    // Recomputes the grid from CalDay, CalMonth and CalYear.
    void CalculDate();

    void btnJour_Click(int index);
    void cMois_Click(int index);
    void cAn_Click(int index);
    void Cde_Ok_Click();
    void Cde_Annuler_Click();
    void cde_Today_Click();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void buildControls(const Translator& tr);
    void fillLists();
    void setFromDate(const QDate& date);
    void selectYear(int year);

    QLocale m_locale;
    QString m_calendarDate;
    QString CalDay;
    QString CalMonth;
    QString CalYear;
    int m_selected = -1;
    int m_lastDay = 1;
    bool m_loading = false;
    QDate m_today = QDate::currentDate();
    std::function<void(bool)> m_messageBoxOpen;

    QComboBox* m_cMois = nullptr;
    QComboBox* m_cAn = nullptr;
    std::array<QPushButton*, DayButtons> m_btnJour{};
    std::array<QLabel*, 7> m_lblJour{};
    // The day each button stands for (days of the months around the shown one included).
    std::array<QDate, DayButtons> m_buttonDate{};
    QLabel* m_lblDate = nullptr;
    QLineEdit* m_txtDate = nullptr;
    QPushButton* m_Cde_Ok = nullptr;
    QPushButton* m_Cde_Annuler = nullptr;
    QPushButton* m_cde_Today = nullptr;
};
