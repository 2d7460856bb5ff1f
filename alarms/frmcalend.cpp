#include "alarms/frmcalend.h"

#include "localisation/translator.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString padded(int value, int width) {
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

} // namespace

frmCalend::frmCalend(const QString& calendarDate, const Translator& tr, QWidget* parent,
                     const QLocale& locale)
    : QDialog(parent)
    , m_locale(locale)
    , m_calendarDate(calendarDate) {
    setObjectName(QStringLiteral("frmCalend"));
    setWindowTitle(QStringLiteral("Calendar"));
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);
    buildControls(tr);
    fillLists();
    QDate start = fromCalendarDate(calendarDate, m_locale);
    if (!start.isValid()) {
        start = m_today;
    }
    setFromDate(start);
    CalculDate();
}

bool frmCalend::dayFirst(const QLocale& locale) {
    // Where the day comes before the month in the locale's short date, "01/02/2000" is the 1st
    // of February.
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype day = format.indexOf(QLatin1Char('d'));
    const qsizetype month = format.indexOf(QLatin1Char('M'));
    return day >= 0 && (month < 0 || day < month);
}

QString frmCalend::toCalendarDate(const QDate& date, const QLocale& locale) {
    return date.toString(dayFirst(locale) ? QStringLiteral("dd/MM/yyyy")
                                          : QStringLiteral("MM/dd/yyyy"));
}

QDate frmCalend::fromCalendarDate(const QString& text, const QLocale& locale) {
    const QStringList parts = text.trimmed().split(QLatin1Char('/'));
    if (parts.size() != 3) {
        return {};
    }
    const int first = parts.at(0).toInt();
    const int second = parts.at(1).toInt();
    const int year = parts.at(2).toInt();
    return dayFirst(locale) ? QDate(year, second, first) : QDate(year, first, second);
}

QString frmCalend::pick(QWidget* owner, const QString& calendarDate, const Translator& tr,
                        const std::function<void(bool)>& setMessageBoxOpen) {
    frmCalend calendar(calendarDate, tr, owner);
    calendar.setMessageBoxOpenHook(setMessageBoxOpen);
    return calendar.run();
}

QString frmCalend::pick(QWidget* owner, const QString& calendarDate, const Translator& tr,
                        bool& messageBoxOpen) {
    return pick(owner, calendarDate, tr, [&messageBoxOpen](bool open) { messageBoxOpen = open; });
}

QString frmCalend::run() {
    exec();
    return m_calendarDate;
}

void frmCalend::buildControls(const Translator& tr) {
    auto* layout = new QVBoxLayout(this);

    m_cMois = new QComboBox(this);
    m_cMois->setObjectName(QStringLiteral("cMois"));
    m_cAn = new QComboBox(this);
    m_cAn->setObjectName(QStringLiteral("cAn"));
    auto* lists = new QHBoxLayout;
    lists->addWidget(m_cMois, 1);
    lists->addWidget(m_cAn);
    layout->addLayout(lists);

    auto* grid = new QGridLayout;
    grid->setSpacing(2);
    for (int column = 0; column < 7; ++column) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("lblJour%1").arg(column));
        label->setAlignment(Qt::AlignCenter);
        grid->addWidget(label, 0, column);
        m_lblJour.at(static_cast<size_t>(column)) = label;
    }
    for (int index = 0; index < DayButtons; ++index) {
        auto* day = new QPushButton(this);
        day->setObjectName(QStringLiteral("btnJour%1").arg(index));
        day->setCheckable(true);
        day->setAutoDefault(false);
        day->setFocusPolicy(Qt::NoFocus);
        day->setFixedSize(34, 26);
        grid->addWidget(day, 1 + index / 7, index % 7);
        m_btnJour.at(static_cast<size_t>(index)) = day;
        connect(day, &QPushButton::clicked, this, [this, index] { btnJour_Click(index); });
    }
    layout->addLayout(grid);

    m_lblDate = new QLabel(this);
    m_lblDate->setObjectName(QStringLiteral("lblDate"));
    m_lblDate->setAlignment(Qt::AlignCenter);
    QFont bold = m_lblDate->font();
    bold.setBold(true);
    m_lblDate->setFont(bold);
    layout->addWidget(m_lblDate);

    m_txtDate = new QLineEdit(this);
    m_txtDate->setObjectName(QStringLiteral("txtDate"));
    m_txtDate->setReadOnly(true);
    m_txtDate->setAlignment(Qt::AlignCenter);

    m_cde_Today = new QPushButton(QStringLiteral("Today"), this);
    m_cde_Today->setObjectName(QStringLiteral("cde_Today"));
    m_cde_Today->setAutoDefault(false);
    m_Cde_Ok = new QPushButton(QStringLiteral("OK"), this);
    m_Cde_Ok->setObjectName(QStringLiteral("Cde_Ok"));
    m_Cde_Ok->setDefault(true);
    m_Cde_Annuler = new QPushButton(tr.Translation(26), this);
    m_Cde_Annuler->setObjectName(QStringLiteral("Cde_Annuler"));
    m_Cde_Annuler->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_txtDate, 1);
    buttons->addWidget(m_cde_Today);
    buttons->addWidget(m_Cde_Ok);
    buttons->addWidget(m_Cde_Annuler);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_cMois, &QComboBox::activated, this, &frmCalend::cMois_Click);
    connect(m_cAn, &QComboBox::activated, this, &frmCalend::cAn_Click);
    connect(m_Cde_Ok, &QPushButton::clicked, this, &frmCalend::Cde_Ok_Click);
    connect(m_Cde_Annuler, &QPushButton::clicked, this, &frmCalend::Cde_Annuler_Click);
    connect(m_cde_Today, &QPushButton::clicked, this, &frmCalend::cde_Today_Click);
}

void frmCalend::fillLists() {
    m_loading = true;
    for (int month = 1; month <= 12; ++month) {
        m_cMois->addItem(m_locale.monthName(month, QLocale::LongFormat));
    }
    for (int year = FirstYear; year <= LastYear; ++year) {
        m_cAn->addItem(padded(year, 4));
    }
    // Monday first, in the platform's language.
    for (int column = 0; column < 7; ++column) {
        m_lblJour.at(static_cast<size_t>(column))
            ->setText(m_locale.dayName(column + 1, QLocale::ShortFormat));
    }
    m_loading = false;
}

void frmCalend::setFromDate(const QDate& date) {
    CalDay = padded(date.day(), 2);
    CalMonth = padded(date.month(), 2);
    CalYear = padded(date.year(), 4);
    m_lastDay = date.day();
}

QDate frmCalend::shownDate() const {
    return QDate(CalYear.toInt(), CalMonth.toInt(), CalDay.toInt());
}

void frmCalend::selectYear(int year) {
    int index = m_cAn->findText(padded(year, 4));
    if (index < 0) {
        // A date outside the listed years still shows its year, in its place in the list.
        index = 0;
        while (index < m_cAn->count() && m_cAn->itemText(index).toInt() < year) {
            ++index;
        }
        m_cAn->insertItem(index, padded(year, 4));
    }
    m_cAn->setCurrentIndex(index);
}

void frmCalend::CalculDate() {
    int day = CalDay.toInt();
    int month = CalMonth.toInt();
    int year = CalYear.toInt();
    if (m_selected >= 0) {
        m_btnJour.at(static_cast<size_t>(m_selected))->setChecked(false);
    }
    if (month >= 13) {
        month = 1;
        ++year;
    } else if (month < 1) {
        month = 12;
        --year;
    }
    if (year < 1 || year > 9999) {
        year = m_today.year();
    }
    day = qMax(day, 1);
    while (day > 1 && !QDate::isValid(year, month, day)) {
        --day;
    }
    CalDay = padded(day, 2);
    CalMonth = padded(month, 2);
    CalYear = padded(year, 4);

    const QDate first(year, month, 1);
    const QDate start = first.addDays(1 - first.dayOfWeek());
    const QPalette normal = palette();
    QPalette other = normal;
    other.setColor(QPalette::ButtonText, normal.color(QPalette::Disabled, QPalette::ButtonText));
    for (int index = 0; index < DayButtons; ++index) {
        const QDate date = start.addDays(index);
        QPushButton* button = m_btnJour.at(static_cast<size_t>(index));
        m_buttonDate.at(static_cast<size_t>(index)) = date;
        button->setText(QString::number(date.day()));
        const bool inMonth = date.month() == month;
        button->setPalette(inMonth ? normal : other);
        QFont font = button->font();
        font.setBold(inMonth && date.day() == day);
        button->setFont(font);
        if (inMonth && date.day() == day) {
            m_selected = index;
            button->setChecked(true);
        } else {
            button->setChecked(false);
        }
    }

    const QDate shown(year, month, day);
    m_lblDate->setText(m_locale.toString(shown, QStringLiteral("dddd dd MMMM yyyy")));
    m_txtDate->setText(toCalendarDate(shown, m_locale));

    const bool loading = m_loading;
    m_loading = true;
    selectYear(year);
    m_cMois->setCurrentIndex(month - 1);
    m_loading = loading;
}

void frmCalend::btnJour_Click(int index) {
    if (index < 0 || index >= DayButtons) {
        return;
    }
    m_selected = index;
    // A day of the month before or after is that day: the grid turns to its month.
    const QDate date = m_buttonDate.at(static_cast<size_t>(index));
    setFromDate(date);
    m_txtDate->setFocus();
    if (!m_loading) {
        CalculDate();
    }
}

void frmCalend::cMois_Click(int index) {
    CalMonth = padded(index + 1, 2);
    CalDay = padded(m_lastDay, 2);
    if (!m_loading) {
        CalculDate();
    }
}

void frmCalend::cAn_Click(int index) {
    CalYear = padded(m_cAn->itemText(index).toInt(), 4);
    CalDay = padded(m_lastDay, 2);
    if (!m_loading) {
        CalculDate();
    }
}

void frmCalend::cde_Today_Click() {
    m_calendarDate = toCalendarDate(m_today, m_locale);
    setFromDate(m_today);
    m_selected = -1;
    for (QPushButton* button : m_btnJour) {
        button->setChecked(false);
    }
    CalculDate();
}

void frmCalend::Cde_Ok_Click() {
    m_calendarDate = dayFirst(m_locale)
                         ? CalDay + QLatin1Char('/') + CalMonth + QLatin1Char('/') + CalYear
                         : CalMonth + QLatin1Char('/') + CalDay + QLatin1Char('/') + CalYear;
    accept();
}

void frmCalend::Cde_Annuler_Click() {
    m_calendarDate.clear();
    reject();
}

void frmCalend::showEvent(QShowEvent* event) {
    if (m_messageBoxOpen) {
        m_messageBoxOpen(true);
    }
    QDialog::showEvent(event);
}

void frmCalend::done(int result) {
    // The close box and Escape cancel as the Cancel button does.
    if (result != QDialog::Accepted) {
        m_calendarDate.clear();
    }
    QDialog::done(result);
    if (m_messageBoxOpen) {
        m_messageBoxOpen(false);
    }
}
