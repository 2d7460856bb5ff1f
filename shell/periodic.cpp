#include "shell/periodic.h"

#include <QApplication>
#include <QEvent>

#include <QTimer>

#include <cmath>

namespace {

// Intervals above this are minute-encoded: 60000 + minutes.
constexpr int MinuteBase = 60000;

} // namespace

const QStringList& AutoSaveTimes() {
    static const QStringList times{
        QStringLiteral("1 sec."),  QStringLiteral("3 sec."),  QStringLiteral("5 sec."),
        QStringLiteral("7 sec."),  QStringLiteral("10 sec."), QStringLiteral("15 sec."),
        QStringLiteral("20 sec."), QStringLiteral("30 sec."), QStringLiteral("45 sec."),
        QStringLiteral("1 min."),  QStringLiteral("2 min."),  QStringLiteral("3 min."),
        QStringLiteral("5 min."),  QStringLiteral("10 min."), QStringLiteral("20 min."),
        QStringLiteral("30 min.")};
    return times;
}

const QStringList& AutoRefreshTimes() {
    static const QStringList times{
        QStringLiteral("0.1 sec."), QStringLiteral("0.2 sec."), QStringLiteral("0.5 sec."),
        QStringLiteral("0.7 sec."), QStringLiteral("1 sec."),   QStringLiteral("2 sec."),
        QStringLiteral("3 sec."),   QStringLiteral("4 sec."),   QStringLiteral("5 sec.")};
    return times;
}

double leadingNumber(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i) == QLatin1Char(' '))
        ++i;
    const qsizetype start = i;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        ++i;
    while (i < n && text.at(i).isDigit() && text.at(i).unicode() < 128)
        ++i;
    if (i < n && text.at(i) == QLatin1Char('.')) {
        ++i;
        while (i < n && text.at(i).isDigit() && text.at(i).unicode() < 128)
            ++i;
    }
    bool ok = false;
    const double value = text.mid(start, i - start).toDouble(&ok);
    return ok ? value : 0.0;
}

int IntervalFromText(const QString& text) {
    // The number is the text before the blank that precedes the unit.
    const qsizetype sec = text.indexOf(QLatin1String("sec"));
    if (sec >= 0)
        return static_cast<int>(std::lround(leadingNumber(text.left(sec)) * 1000.0));
    const qsizetype min = text.indexOf(QLatin1String("min"));
    if (min < 0)
        return 5000;
    double ms = std::round(leadingNumber(text.left(min)) * 60.0 * 1000.0);
    if (ms > MinuteBase - 1)
        ms = std::round(ms / MinuteBase + MinuteBase);
    return static_cast<int>(ms);
}

MinuteTimer::MinuteTimer(QObject* parent)
    : QObject(parent)
    , m_timer(new QTimer(this)) {
    // Saves and refreshes do not need millisecond precision.
    m_timer->setTimerType(Qt::CoarseTimer);
    connect(m_timer, &QTimer::timeout, this, &MinuteTimer::onTimeout);
}

void MinuteTimer::setIntervalText(const QString& text) {
    setIntervalMs(IntervalFromText(text));
}

void MinuteTimer::setIntervalMs(int ms) {
    m_interval = ms;
    m_tag = ms > MinuteBase - 1 ? ms - MinuteBase : 0;
    if (m_interval <= 0) {
        // An interval of nothing would spin; such a timer does not run.
        m_timer->stop();
        return;
    }
    m_timer->setInterval(m_interval);
}

void MinuteTimer::start() {
    if (m_interval > 0)
        m_timer->start(m_interval);
}

void MinuteTimer::stop() {
    m_timer->stop();
}

bool MinuteTimer::isActive() const {
    return m_timer->isActive();
}

bool MinuteTimer::tick() {
    if (m_tag > 0)
        --m_tag;
    if (m_tag != 0)
        return false;
    if (m_interval > MinuteBase - 1)
        m_tag = m_interval - MinuteBase;
    return true;
}

void MinuteTimer::onTimeout() {
    if (tick())
        emit due();
}

CursorBlinkRest::CursorBlinkRest(int restAfterMs, QObject* parent)
    : QObject(parent)
    , m_timer(new QTimer(this))
    , m_flashTime(QApplication::cursorFlashTime()) {
    m_timer->setSingleShot(true);
    m_timer->setInterval(restAfterMs);
    connect(m_timer, &QTimer::timeout, this, &CursorBlinkRest::rest);
    qApp->installEventFilter(this);
    m_timer->start();
}

CursorBlinkRest::~CursorBlinkRest() {
    qApp->removeEventFilter(this);
    wake();
}

void CursorBlinkRest::rest() {
    m_resting = true;
    QApplication::setCursorFlashTime(0);
}

void CursorBlinkRest::wake() {
    if (m_resting) {
        m_resting = false;
        QApplication::setCursorFlashTime(m_flashTime);
    }
}

bool CursorBlinkRest::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::FocusIn:
        // Before the text box handles the event, so it blinks again from here on.
        wake();
        m_timer->start();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
