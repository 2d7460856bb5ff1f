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
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>

namespace {

const QString PanelName = QStringLiteral("alarm");
const QString Ticked = QStringLiteral("E");
const QString Cleared = QStringLiteral(" ");

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

} // namespace

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
    // The check may have set the alarm off or re-armed it.
    refreshStatus();
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
