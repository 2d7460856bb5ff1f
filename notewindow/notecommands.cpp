#include "notewindow/notecommands.h"

#include "alarms/alarmcheck.h"
#include "localisation/translator.h"
#include "notewindow/frmblocnote.h"
#include "notewindow/notetextbox.h"
#include "notewindow/notewindowset.h"
#include "platform/clock.h"
#include "platform/colors.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/messagesink.h"
#include "platform/oledate.h"
#include "platform/programfolder.h"
#include "platform/textcodec.h"
#include "platform/windowops.h"
#include "store/linkedfile.h"
#include "store/notestore.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QLocale>
#include <QPrinter>
#include <cmath>

namespace {
// The picture loader's classic number for a file that holds no readable picture.
constexpr int InvalidPicture = 481;
const QString CrLf = QStringLiteral("\r\n");

// The font dialog shows a family's styles by name ("Book", "Oblique", "Condensed", ...); a font
// that names none is matched to whichever comes first, which may be a slanted one. The note's
// font gets the name of the family's style with the note's slant and the nearest weight, the
// plainest (shortest) name among equals, so "Book" rather than "Condensed".
void nameStyle(QFont& font) {
    const QString family = font.family();
    if (!QFontDatabase::hasFamily(family)) {
        return;
    }
    const int wanted = font.bold() ? QFont::Bold : QFont::Normal;
    QString best;
    int bestScore = 0;
    for (const QString& style : QFontDatabase::styles(family)) {
        const QFont candidate = QFontDatabase::font(family, style, 10);
        if ((candidate.style() != QFont::StyleNormal) != font.italic()) {
            continue;
        }
        const int score =
            std::abs(candidate.weight() - wanted) * 1000 + static_cast<int>(style.size());
        if (best.isEmpty() || score < bestScore) {
            best = style;
            bestScore = score;
        }
    }
    if (!best.isEmpty()) {
        font.setStyleName(best);
    }
}
} // namespace

NoteCommands::NoteCommands(const NoteContext& ctx, NoteWindowSet& windows)
    : m_ctx(ctx)
    , m_windows(windows) {}

bool NoteCommands::valid(int slot) const {
    return m_ctx.store.isValidSlot(slot) && m_windows.existingWindow(slot) != nullptr;
}

int NoteCommands::fontHeightFromPoints(double points) {
    return static_cast<int>(std::lrint(points * 1.34));
}

int NoteCommands::pointsFromFontHeight(int height) {
    return static_cast<int>(std::floor(std::abs(height) / 1.34 + 0.5));
}

void NoteCommands::setAlwaysOnTop(int slot, bool onTop) {
    if (!valid(slot)) {
        return;
    }
    frmBlocNote* w = m_windows.existingWindow(slot);
    m_ctx.store.Windows.at(static_cast<size_t>(slot)).AlwaysOnTop = onTop;
    windowops::SetTopmost(w, onTop ? -1 : 0);
    w->applyOnTopIndicator();
    m_ctx.store.MarkChanged(slot, false);
}

void NoteCommands::setLocked(int slot, bool locked) {
    if (!valid(slot)) {
        return;
    }
    m_ctx.store.Notes.at(static_cast<size_t>(slot)).Locked = locked;
    m_windows.existingWindow(slot)->applyLockState();
    m_ctx.store.MarkChanged(slot, false);
}

void NoteCommands::setAutoRoll(int slot, bool autoRoll) {
    if (!valid(slot)) {
        return;
    }
    m_ctx.store.Notes.at(static_cast<size_t>(slot)).AutoRoll = autoRoll;
    m_ctx.store.MarkChanged(slot, false);
}

void NoteCommands::setAutoDim(int slot, bool autoDim) {
    if (!valid(slot)) {
        return;
    }
    m_ctx.store.Notes.at(static_cast<size_t>(slot)).AutoDim = autoDim;
    frmBlocNote* w = m_windows.existingWindow(slot);
    if (autoDim) {
        (void)windowops::SetTranslucency(w, m_ctx.settings.autoDimValue());
    } else {
        (void)windowops::ClearTranslucency(w);
    }
    m_ctx.store.MarkChanged(slot, false);
}

void NoteCommands::setShowTitle(int slot, bool showTitle) {
    if (!valid(slot)) {
        return;
    }
    NoteRecord& rec = m_ctx.store.Notes.at(static_cast<size_t>(slot));
    rec.ShowTitle = showTitle;
    frmBlocNote* w = m_windows.existingWindow(slot);
    // The window keeps its size; the text gains or gives up the title bar's height, and a
    // kept-ratio picture recomputes the height for the new reserve.
    w->applyTitleBar();
    w->Form_Resize(false);
    m_ctx.store.MarkChanged(slot, false);
}

void NoteCommands::setShowScrollBar(int slot, bool showScrollBar) {
    if (!valid(slot)) {
        return;
    }
    NoteRecord& rec = m_ctx.store.Notes.at(static_cast<size_t>(slot));
    if (rec.ShowScrollBar == showScrollBar) {
        return;
    }
    rec.ShowScrollBar = showScrollBar;
    m_windows.existingWindow(slot)->switchTextBox();
    m_ctx.store.MarkChanged(slot, false);
}

void NoteCommands::setTitle(int slot, const QString& title) {
    if (!valid(slot) || title.trimmed().isEmpty()) {
        return;
    }
    m_ctx.store.Notes.at(static_cast<size_t>(slot)).setTitle(title);
    m_windows.existingWindow(slot)->applyCaption();
    m_ctx.store.MarkChanged(slot, true);
}

bool NoteCommands::chooseColor(int slot, bool background, QWidget* owner) {
    if (!valid(slot)) {
        return false;
    }
    NoteWindowState& st = m_ctx.store.Windows.at(static_cast<size_t>(slot));
    // The dialog starts from the colour on screen, also for a system colour.
    const long chosen = m_ctx.dialogs.chooseColor(
        owner, colors::storedRgb(colors::screenColor(background ? st.BackColor : st.ForeColor)));
    if (chosen == -1) {
        return false;
    }
    const auto rgb = static_cast<std::int32_t>(chosen & 0xFFFFFF);
    (background ? st.BackColor : st.ForeColor) = rgb;
    m_windows.existingWindow(slot)->applyTextLook();
    m_ctx.store.MarkChanged(slot, false);
    return true;
}

QFont NoteCommands::dialogFont(const NoteWindowState& st) {
    QFont font(st.FontName.trimmed());
    font.setPointSizeF(pointsFromFontHeight(fontHeightFromPoints(st.FontSize)));
    font.setBold(st.FontBold);
    font.setItalic(st.FontItalic);
    font.setUnderline(st.FontUnderline);
    nameStyle(font);
    return font;
}

bool NoteCommands::chooseFont(int slot, QWidget* owner) {
    if (!valid(slot)) {
        return false;
    }
    NoteWindowState& st = m_ctx.store.Windows.at(static_cast<size_t>(slot));
    const QFont initial = dialogFont(st);
    const std::optional<QFont> chosen = m_ctx.dialogs.chooseFont(owner, initial);
    if (!chosen || chosen->family().trimmed().isEmpty()) {
        return false;
    }
    const double points = std::clamp(chosen->pointSizeF() > 0 ? chosen->pointSizeF() : 10.0,
                                     double{MinFontPoints}, double{MaxFontPoints});
    const QString name = textcodec::cutToBytes(chosen->family(), width::FontName);
    const auto size = static_cast<float>(pointsFromFontHeight(fontHeightFromPoints(points)));
    const bool bold = chosen->bold();
    const bool italic = chosen->italic();
    const bool underline = chosen->underline();
    if (name == st.FontName.trimmed() && size == static_cast<float>(initial.pointSizeF()) &&
        bold == st.FontBold && italic == st.FontItalic && underline == st.FontUnderline) {
        // OK without a change changes nothing.
        return true;
    }
    st.FontName = name;
    st.FontSize = size;
    st.FontBold = bold;
    st.FontItalic = italic;
    st.FontUnderline = underline;
    m_windows.existingWindow(slot)->applyTextLook();
    m_ctx.store.MarkChanged(slot, false);
    return true;
}

void NoteCommands::showText(int slot) {
    if (!valid(slot)) {
        return;
    }
    m_ctx.store.Windows.at(static_cast<size_t>(slot)).PictureShown = false;
    m_windows.existingWindow(slot)->setPictureSide(false);
    m_ctx.store.MarkChanged(slot, false);
}

void NoteCommands::showImage(int slot) {
    if (!valid(slot)) {
        return;
    }
    m_ctx.store.Windows.at(static_cast<size_t>(slot)).PictureShown = true;
    m_windows.existingWindow(slot)->setPictureSide(true);
    m_ctx.store.MarkChanged(slot, false);
}

void NoteCommands::toggleStretch(int slot) {
    if (!valid(slot)) {
        return;
    }
    NoteWindowState& st = m_ctx.store.Windows.at(static_cast<size_t>(slot));
    st.PictureStretched = !st.PictureStretched;
    if (m_ctx.store.Notes.at(static_cast<size_t>(slot)).ImageKeepRatio && !st.PictureStretched) {
        toggleKeepRatio(slot);
    }
    m_windows.existingWindow(slot)->applyDisplayMode();
    m_ctx.store.MarkChanged(slot, false);
}

void NoteCommands::toggleKeepRatio(int slot) {
    if (!valid(slot)) {
        return;
    }
    NoteRecord& rec = m_ctx.store.Notes.at(static_cast<size_t>(slot));
    rec.ImageKeepRatio = !rec.ImageKeepRatio;
    if (rec.ImageKeepRatio && !m_ctx.store.Windows.at(static_cast<size_t>(slot)).PictureStretched) {
        toggleStretch(slot);
    }
    m_windows.existingWindow(slot)->Form_Resize(false);
    m_ctx.store.MarkChanged(slot, false);
}

void NoteCommands::cycleDisplayMode(int slot) {
    if (!valid(slot)) {
        return;
    }
    const NoteRecord& rec = m_ctx.store.Notes.at(static_cast<size_t>(slot));
    const NoteWindowState& st = m_ctx.store.Windows.at(static_cast<size_t>(slot));
    // 0 -> -1 (stretched) -> -2 (keeping the ratio) -> 0.
    switch (NoteWindowState::imageMode(st.PictureStretched, rec.ImageKeepRatio)) {
    case -1:
        toggleKeepRatio(slot);
        break;
    default:
        toggleStretch(slot);
        break;
    }
}

void NoteCommands::pictureMessage(int slot, int number, const QString& description,
                                  const QString& path) const {
    const QString text = QStringLiteral("Error # ") + formatErrorNumber(number) + CrLf +
                         description.trimmed() + CrLf + m_ctx.tr.Translation(43) + path +
                         QLatin1Char('\'');
    const QString title = m_ctx.tr.Translation(58) +
                          m_ctx.store.Notes.at(static_cast<size_t>(slot)).trimmedTitle() +
                          QLatin1Char('\'');
    m_ctx.messages.Message_box(text, title, msgbox::Plain);
}

bool NoteCommands::setPictureFromFile(int slot, const QString& path) {
    if (!valid(slot)) {
        return false;
    }
    QString full = path.trimmed();
    while (full.endsWith(QChar(u'\0'))) {
        full.chop(1);
    }
    if (full.isEmpty()) {
        return false;
    }
    const QString stored = m_ctx.folder.storedForm(full);
    if (fieldlimit::storedBytes(stored) > width::ImagePath) {
        m_ctx.messages.Message_box(m_ctx.tr.Translation(50), m_ctx.tr.Translation(51),
                                   msgbox::Error);
        return false;
    }
    frmBlocNote* w = m_windows.existingWindow(slot);
    if (!w->loadPicture(full)) {
        // Nothing changes for a file that holds no picture; the user learns why.
        const bool exists = QFileInfo::exists(full);
        const int number = exists ? InvalidPicture : errnum::FileNotFound;
        pictureMessage(slot, number,
                       exists ? QStringLiteral("Invalid picture") : errorDescription(number), full);
        NoteRecord& rec = m_ctx.store.Notes.at(static_cast<size_t>(slot));
        if (!rec.ImagePath.isEmpty()) {
            w->loadPicture(m_ctx.folder.resolve(rec.ImagePath));
        } else {
            w->clearPicture();
        }
        return false;
    }
    m_ctx.store.Notes.at(static_cast<size_t>(slot)).ImagePath = stored;
    w->Form_Resize(false);
    m_ctx.store.MarkChanged(slot, true);
    return true;
}

void NoteCommands::setTypedPicturePath(int slot, const QString& text) {
    if (!valid(slot)) {
        return;
    }
    frmBlocNote* w = m_windows.existingWindow(slot);
    const QString typed = text.trimmed();
    bool loaded = false;
    if (!typed.isEmpty()) {
        const QString full = m_ctx.folder.resolve(typed);
        loaded = w->loadPicture(full);
        if (!loaded) {
            const bool exists = QFileInfo::exists(full);
            const int number = exists ? InvalidPicture : errnum::FileNotFound;
            pictureMessage(slot, number,
                           exists ? QStringLiteral("Invalid picture") : errorDescription(number),
                           full);
        }
    }
    if (!loaded) {
        w->clearPicture();
    }
    m_ctx.store.Notes.at(static_cast<size_t>(slot)).ImagePath =
        textcodec::cutToBytes(typed, width::ImagePath);
    w->Form_Resize(false);
    m_ctx.store.MarkChanged(slot, true);
}

void NoteCommands::browsePicture(int slot, QWidget* owner) {
    if (!valid(slot)) {
        return;
    }
    const QString current = m_ctx.store.Notes.at(static_cast<size_t>(slot)).ImagePath.trimmed();
    QString folder = ProgramFolder::folderPart(current);
    if (folder.isEmpty()) {
        folder = m_ctx.folder.path();
    }
    // Topmost notes would cover the dialog.
    m_windows.RemoveAlwaysOnTop(m_windows.managerWindow());
    const QString chosen = m_ctx.dialogs.openFile(
        owner, QStringLiteral("Choose a picture file"), folder,
        QStringLiteral("Graphic files (*.bmp *.jpg *.jpeg *.gif *.ico *.png)"));
    m_windows.ResetAlwaysOnTop(m_windows.managerWindow());
    if (!chosen.isEmpty()) {
        (void)setPictureFromFile(slot, chosen);
    }
}

void NoteCommands::setAsDefault(int slot, bool onTopBeforeMenu) {
    if (!m_ctx.store.isValidSlot(slot)) {
        return;
    }
    const NoteRecord& rec = m_ctx.store.Notes.at(static_cast<size_t>(slot));
    const NoteWindowState& st = m_ctx.store.Windows.at(static_cast<size_t>(slot));
    NoteDefaultsRecord& d = m_ctx.settings.NoteDefaults;
    d.Left = st.Left;
    d.Top = st.Top;
    d.Height = st.Height;
    d.Width = st.Width;
    d.FontName = st.FontName;
    d.FontSize = st.FontSize;
    d.FontBold = st.FontBold;
    d.FontItalic = st.FontItalic;
    d.FontUnderline = st.FontUnderline;
    d.BackColor = st.BackColor;
    d.ForeColor = st.ForeColor;
    d.AlwaysOnTop = onTopBeforeMenu;
    d.Rollup = rec.Rollup;
    d.RollHeight = rec.RollHeight;
    d.AutoRoll = rec.AutoRoll;
    d.AutoDim = rec.AutoDim;
    d.ShowScrollBar = rec.ShowScrollBar;
    d.ShowTitle = rec.ShowTitle;
    d.AlarmPlaySd = rec.AlarmPlaySd;
    d.AlarmSndFil = rec.AlarmSndFil;
    d.AlarmExecut = rec.AlarmExecut;
    d.AlarmExeFil = rec.AlarmExeFil;
    d.AlarmShow = rec.AlarmShow;
    d.AlarmFreq = rec.AlarmFreq;
    d.AlarmPrev = rec.AlarmPrev;
    d.AlarmPrevTp = rec.AlarmPrevTp;
    d.ImageMode = NoteWindowState::imageMode(st.PictureStretched, rec.ImageKeepRatio);
    m_ctx.state.SettingsChanged = true;
}

void NoteCommands::setLink(int slot, bool openFile, const QString& path) {
    if (!valid(slot)) {
        return;
    }
    if (m_linkedFiles != nullptr) {
        m_linkedFiles->UpdateLinkedFile(slot, openFile, path);
        return;
    }
    NoteRecord& note = m_ctx.store.Notes.at(static_cast<size_t>(slot));
    note.OpenFile = openFile;
    note.FiletoOpen = path.trimmed().left(width::FiletoOpen);
    m_ctx.store.MarkChanged(slot, false);
}

noteprinter::Page NoteCommands::printPage(int slot) {
    const auto dateText = [](double ole) {
        return ole == 0.0
                   ? QString()
                   : QLocale::system().toString(oledate::toDateTime(ole), QLocale::ShortFormat);
    };
    const QDateTime now = m_ctx.clock.now();
    (void)ResetAlarmDefaults(m_ctx.store, slot, m_ctx.settings.NoteDefaults, now);
    const NoteRecord& note = m_ctx.store.Notes.at(static_cast<size_t>(slot));
    noteprinter::Page page;
    page.title = note.Title.leftJustified(width::Title);
    page.created = m_ctx.tr.Translation(55) + QStringLiteral("  ") + dateText(note.Created);
    page.modified = m_ctx.tr.Translation(56) + QStringLiteral("  ") + dateText(note.Modified);
    if (note.AlarmState != QStringLiteral(" ")) {
        page.alarm =
            QStringLiteral("Alarm set : ") +
            QLocale::system().toString(NextOccurrence(note, now).goesOff(), QLocale::ShortFormat) +
            QLatin1Char(' ') + note.AlarmFreq;
    }
    if (frmBlocNote* window = m_windows.existingWindow(slot)) {
        page.lines = noteprinter::displayedLines(*window->textBox());
        page.font = window->textBox()->font();
    }
    return page;
}

void NoteCommands::print(int slot, QWidget* owner) {
    if (!valid(slot)) {
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(m_ctx.store.Notes.at(static_cast<size_t>(slot)).trimmedTitle());
    m_windows.RemoveAlwaysOnTop(m_windows.managerWindow());
    const bool chosen = m_choosePrinter(printer, owner);
    m_windows.ResetAlwaysOnTop(m_windows.managerWindow());
    if (!chosen) {
        return;
    }
    QString error;
    if (!noteprinter::print(printer, printPage(slot), error)) {
        m_ctx.messages.Message_box(
            error,
            QStringLiteral("Note '") +
                m_ctx.store.Notes.at(static_cast<size_t>(slot)).trimmedTitle() + QLatin1Char('\''),
            msgbox::Error);
    }
}
