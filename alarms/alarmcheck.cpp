#include "alarms/alarmcheck.h"

#include "alarms/wallclock.h"
#include "store/notestore.h"
#include "store/settings.h"

namespace {

using namespace wallclock;

QTime timeOf(int minuteOfDay) {
    return QTime(minuteOfDay / 60, minuteOfDay % 60);
}

} // namespace

AlarmOccurrence nextOccurrenceAt(const NoteRecord& note, qint64 nowMinute) {
    const QDate today = dayOf(nowMinute);
    const int nowTime = minuteOf(nowMinute);
    QDate stored;
    int storedTime = 0;
    if (!fromOle(note.AlarmDate, stored, storedTime)) {
        stored = QDate(1899, 12, 30);
        storedTime = 0;
    }
    const QChar unit = alarmcode::of(note.AlarmPrevTp);
    const QChar freq = alarmcode::of(note.AlarmFreq);

    QDate day = stored;
    int time = storedTime;
    int warnAmount = note.AlarmPrev;

    if (fromParts(day, time) <= nowMinute) {
        if (freq == alarmcode::Yearly) {
            day = dateSerial(today.year(), stored.month(), stored.day());
            if (day < today)
                day = dateSerial(today.year() + 1, stored.month(), stored.day());
        } else if (freq == alarmcode::Monthly) {
            day = dateSerial(today.year(), today.month(), stored.day());
            if (day < today)
                day = dateSerial(today.year(), today.month() + 1, stored.day());
        } else if (freq >= u'0' && freq <= u'6') {
            int difference = (freq.unicode() - u'0' + 1) - today.dayOfWeek();
            if (difference < 0)
                difference += 7;
            day = today.addDays(difference);
            if (fromParts(day, time) < nowMinute && time != 0)
                day = day.addDays(7);
            if (unit == alarmcode::Days && warnAmount < -6)
                warnAmount = 0;
        } else if (freq == alarmcode::Daily) {
            day = today;
            if (time < nowTime && time != 0)
                day = today.addDays(1);
            if (unit == alarmcode::Days && warnAmount < 0)
                warnAmount = 0;
        } else if (freq == alarmcode::Hourly) {
            day = today;
            time = nowTime / 60 * 60 + storedTime % 60;
            if (time < nowTime)
                time += 60;
            if (time >= MinutesPerDay) {
                time -= MinutesPerDay;
                day = day.addDays(1);
            }
            if ((unit == alarmcode::Hours && warnAmount < 0) || unit == alarmcode::Days)
                warnAmount = 0;
        }
        // "U" and unknown codes: the moment stays where it was.
    }

    QDate warnDay = day;
    int warnTime = time; // may fall before midnight: carried back below
    if (warnAmount < 0) {
        if (unit == alarmcode::Days) {
            warnDay = day.addDays(warnAmount);
            warnTime = 0;
        } else if (unit == alarmcode::Hours && time != 0) {
            warnTime = time + warnAmount * 60;
        } else if (unit == alarmcode::Minutes && time != 0) {
            warnTime = time + warnAmount;
        }
    }
    // An alarm without a time runs from the start of its day (or warning day) to 23:59.
    if (time == 0 && (unit != alarmcode::Hours || warnAmount == 0))
        time = MinutesPerDay - 1;

    AlarmOccurrence occ;
    occ.WarnAmount = warnAmount;
    occ.alarmMinute = fromParts(day, time);
    occ.warnMinute = fromParts(warnDay, 0) + warnTime;
    occ.AlarmDay = day;
    occ.AlarmTime = timeOf(time);
    occ.WarnDay = dayOf(occ.warnMinute);
    occ.WarnTime = timeOf(minuteOf(occ.warnMinute));
    return occ;
}

AlarmOccurrence NextOccurrence(const NoteRecord& note, const QDateTime& now) {
    return nextOccurrenceAt(note, wallclock::fromDateTime(now));
}

bool isZeroAlarmDate(double alarmDate) {
    QDate day;
    int minute = 0;
    return !wallclock::fromOle(alarmDate, day, minute) || day.year() == 1899;
}

bool ResetAlarmDefaults(NoteStore& store, int index, const NoteDefaultsRecord& defaults,
                        const QDateTime& now) {
    if (!store.isValidSlot(index))
        return false;
    NoteRecord& note = store.Notes[static_cast<size_t>(index)];
    if (!isZeroAlarmDate(note.AlarmDate))
        return false;
    note.AlarmDate = wallclock::toOle(now.toLocalTime().date(), 0);
    note.AlarmState = QStringLiteral(" ");
    note.AlarmSpecial = QStringLiteral(" ");
    note.AlarmPrev = defaults.AlarmPrev;
    note.AlarmFreq = defaults.AlarmFreq.left(1);
    note.AlarmPrevTp = defaults.AlarmPrevTp.left(1);
    note.AlarmPlaySd = defaults.AlarmPlaySd;
    note.AlarmSndFil = defaults.AlarmSndFil.left(width::SoundFile);
    note.AlarmExecut = defaults.AlarmExecut;
    note.AlarmExeFil = defaults.AlarmExeFil.left(width::ExeFile);
    note.AlarmShow = defaults.AlarmShow;
    store.MarkChanged(index, false);
    return true;
}

std::optional<AlarmStatusInfo> AlarmStatus(const NoteRecord& note, const QDateTime& now) {
    using namespace alarmstatus;
    const QChar state = alarmcode::of(note.AlarmState);
    if (state == alarmcode::Disabled)
        return AlarmStatusInfo{DisabledMessage, Blue};
    if (state == alarmcode::Running)
        return AlarmStatusInfo{StartedMessage, Orange};
    if (state != alarmcode::Enabled)
        return std::nullopt;
    const QDateTime local = now.toLocalTime();
    const qint64 nowSeconds = wallclock::oleSeconds(wallclock::toOle(local.date(), 0)) +
                              local.time().msecsSinceStartOfDay() / 1000;
    if (alarmcode::of(note.AlarmFreq) == alarmcode::Once &&
        wallclock::oleSeconds(note.AlarmDate) < nowSeconds)
        return AlarmStatusInfo{ExpiredMessage, Red};
    return AlarmStatusInfo{ActivatedMessage, Green};
}
