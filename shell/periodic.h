#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QTimer;

// The fixed entries of the setup panel's interval lists.
[[nodiscard]] const QStringList& AutoSaveTimes();
[[nodiscard]] const QStringList& AutoRefreshTimes();
// The entry selected when the settings select none ("15 sec." and "2 sec.").
inline constexpr int DefaultIntervalEntry = 5;

// An interval text such as "30 sec." or "5 min." as timer milliseconds. A minute or more is
// encoded as 60000 + the number of minutes; a text naming neither unit gives 5000.
[[nodiscard]] int IntervalFromText(const QString& text);

// The leading decimal number of a text with "." as the decimal point ("0.5 sec." -> 0.5);
// 0 when the text does not start with one.
[[nodiscard]] double leadingNumber(const QString& text);

// A timer whose interval may use the minute encoding: intervals above 59999 ms tick about
// once a minute and count the remaining minutes down in the tag, so the work is due every
// N ticks. tick() holds that logic so it can be driven without waiting.
class MinuteTimer : public QObject {
    Q_OBJECT
public:
    explicit MinuteTimer(QObject* parent = nullptr);

    // Interval from an interval text; a minute interval also reloads the countdown.
    void setIntervalText(const QString& text);
    void setIntervalMs(int ms);
    [[nodiscard]] int interval() const { return m_interval; }
    [[nodiscard]] int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    // Runs only with a usable interval; a timer that is not needed is stopped.
    void start();
    void stop();
    [[nodiscard]] bool isActive() const;

    // One tick: counts the tag down and reports whether the work is due now; after due
    // work a minute interval reloads its countdown.
    [[nodiscard]] bool tick();

signals:
    // The timer ticked and the work is due.
    void due();

private:
    void onTimeout();

    QTimer* m_timer;
    int m_interval = 0;
    int m_tag = 0;
};

// The text cursor stops blinking after a while without input, as desktop toolkits do, so a
// note that simply holds the keyboard focus does not wake the program twice a second. Any key
// or click brings the blinking back.
class CursorBlinkRest : public QObject {
    Q_OBJECT
public:
    static constexpr int RestAfterMs = 10000;

    explicit CursorBlinkRest(int restAfterMs = RestAfterMs, QObject* parent = nullptr);
    ~CursorBlinkRest() override;
    CursorBlinkRest(const CursorBlinkRest&) = delete;
    CursorBlinkRest& operator=(const CursorBlinkRest&) = delete;

    [[nodiscard]] bool resting() const { return m_resting; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rest();
    void wake();

    QTimer* m_timer;
    int m_flashTime;
    bool m_resting = false;
};
