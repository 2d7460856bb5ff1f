#include "notewindow/frmblocnote.h"

#include "localisation/translator.h"
#include "notewindow/keyrules.h"
#include "notewindow/linkdetection.h"
#include "notewindow/notecommands.h"
#include "notewindow/notehost.h"
#include "notewindow/noteimage.h"
#include "notewindow/notemenus.h"
#include "notewindow/notetextbox.h"
#include "notewindow/notewindowset.h"
#include "notewindow/resizegrip.h"
#include "notewindow/titlebar.h"
#include "platform/clock.h"
#include "platform/colors.h"
#include "platform/desktopshell.h"
#include "platform/oledate.h"
#include "platform/programfolder.h"
#include "platform/twips.h"
#include "platform/windowops.h"
#include "store/notestore.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTimer>
#include <cmath>

namespace {

// Keeps a stored twips value in step with the window's pixels; true when it had to change.
bool follow(float& stored, int px) {
    if (px == twips::toPx(stored))
        return false;
    stored = twips::fromPx(px);
    return true;
}

// The note's icon, at the sizes a desktop shows for a note. Every window sends its icon to the
// display when it is made: the program's own set for hundreds of notes slows the start-up.
QIcon noteWindowIcon() {
    static const QIcon icon = [] {
        const QIcon program = QApplication::windowIcon();
        QIcon small;
        if (!program.isNull()) {
            for (const int size : {16, 32})
                small.addPixmap(program.pixmap(size));
        }
        return small;
    }();
    return icon;
}

} // namespace

frmBlocNote::frmBlocNote(NoteWindowSet& set, const NoteContext& ctx, int slot)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::Tool)
    , fraToolbar(new TitleBar(this))
    , txtBlocNote{}
    , imgImage(new NoteImage(this))
    , timFlash(new QTimer(this))
    , m_set(set)
    , m_ctx(ctx)
    , m_slot(slot)
    , m_grips{new ResizeGrip(Qt::TopEdge, this), new ResizeGrip(Qt::LeftEdge, this),
              new ResizeGrip(Qt::RightEdge, this), new ResizeGrip(Qt::BottomEdge, this)} {
    setObjectName(QStringLiteral("frmBlocNote"));
    // The window handle exists from here on, so that it is made with the note's icon rather
    // than made with the program's and then given the note's.
    setAttribute(Qt::WA_NativeWindow);
    setWindowIcon(noteWindowIcon());
    // The title bar's tooltips explain its buttons also while another window has the focus.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    if (TextIndex() == 0) {
        m_drawing = new QWidget(this);
        m_drawing->setObjectName(QStringLiteral("txtDrawing"));
        m_drawing->setFocusPolicy(Qt::StrongFocus);
        m_drawing->setCursor(Qt::IBeamCursor);
        m_drawing->setAcceptDrops(true);
        m_drawing->setAttribute(Qt::WA_OpaquePaintEvent);
        m_drawing->installEventFilter(this);
        raiseGrips();
    } else {
        m_boxMade = true;
        (void)makeTextBox(TextIndex());
    }
    imgImage->hide();
    imgImage->installEventFilter(this);
    fraToolbar->installEventFilter(this);
    timFlash->setInterval(100);
    connect(timFlash, &QTimer::timeout, this, &frmBlocNote::timFlash_Timer);

    connect(fraToolbar, &TitleBar::clicked, this, &frmBlocNote::fraToolbar_Click);
    connect(fraToolbar, &TitleBar::doubleClicked, this, &frmBlocNote::lblActionbarRoll_Click);
    connect(fraToolbar, &TitleBar::rightReleased, this,
            [this] { fraToolbar_MouseUp(Qt::RightButton); });
    connect(fraToolbar->lblToolBarProp, &ActionLabel::released, this,
            &frmBlocNote::lblToolBarProp_MouseUp);
    connect(fraToolbar->lblActionbarAoTop, &ActionLabel::released, this, [this](Qt::MouseButton b) {
        if (b == Qt::LeftButton) {
            lblActionbarAoTop_Click();
        }
    });
    connect(fraToolbar->lblActionbarRoll, &ActionLabel::released, this, [this](Qt::MouseButton b) {
        if (b == Qt::LeftButton) {
            lblActionbarRoll_Click();
        }
    });
    connect(fraToolbar->lblActionbarHide, &ActionLabel::released, this, [this](Qt::MouseButton b) {
        if (b == Qt::LeftButton) {
            lblActionbarHide_Click();
        }
    });
    connect(imgImage, &NoteImage::doubleClicked, this, [this] {
        m_set.commands().cycleDisplayMode(m_slot);
        notifyHost();
    });
    connect(imgImage, &NoteImage::fileDropped, this, [this](const QString& path) {
        if (m_set.commands().setPictureFromFile(m_slot, path)) {
            notifyHost();
        }
    });
}

frmBlocNote::~frmBlocNote() = default;

NoteRecord& frmBlocNote::record() const {
    return m_ctx.store.Notes.at(static_cast<size_t>(m_slot));
}

NoteWindowState& frmBlocNote::state() const {
    return m_ctx.store.Windows.at(static_cast<size_t>(m_slot));
}

bool frmBlocNote::animating() const {
    return windowops::isAnimating(this);
}

QRect frmBlocNote::storedGeometry() const {
    const NoteWindowState& st = state();
    return {twips::toPx(st.Left), twips::toPx(st.Top), twips::toPx(st.Width),
            twips::toPx(st.Height)};
}

int frmBlocNote::TextIndex() const {
    return record().ShowScrollBar ? 1 : 0;
}

QPlainTextEdit* frmBlocNote::textBox() const {
    // The box of the other scroll-bar setting is made when the note first switches to it.
    return const_cast<frmBlocNote*>(this)->makeTextBox(TextIndex());
}

QPlainTextEdit* frmBlocNote::makeTextBox(int index) {
    QPlainTextEdit*& made = txtBlocNote.at(static_cast<size_t>(index));
    if (made != nullptr) {
        return made;
    }
    // Most notes never change their scroll-bar setting: a text box is made on first use, which
    // halves what a note costs to open with hundreds of notes at start-up.
    QPlainTextEdit* box = new NoteTextBox(this);
    made = box;
    box->setObjectName(QStringLiteral("txtBlocNote%1").arg(index));
    shapeTextBox(*box, index);
    box->setContextMenuPolicy(Qt::NoContextMenu);
    box->installEventFilter(this);
    box->viewport()->installEventFilter(this);
    box->hide();
    connect(box, &QPlainTextEdit::textChanged, this, [this, index] { text_changed(index); });
    styleTextBox(box);
    lockTextBox(box);
    box->setGeometry(m_textArea);
    raiseGrips();
    if (!m_boxMade && index == TextIndex()) {
        replaceDrawing(box);
    }
    return box;
}

void frmBlocNote::raiseGrips() {
    // The edges stay above the text, where the user takes hold of them.
    for (ResizeGrip* grip : m_grips) {
        if (grip != nullptr) {
            grip->raise();
        }
    }
}

void frmBlocNote::shapeTextBox(QPlainTextEdit& box, int index) {
    box.setFrameShape(QFrame::NoFrame);
    box.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box.setVerticalScrollBarPolicy(index == 0 ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
}

void frmBlocNote::replaceDrawing(QPlainTextEdit* box) {
    m_boxMade = true;
    m_settingText = true;
    box->setPlainText(state().Text);
    m_settingText = false;
    box->setVisible(!m_pictureSide);
    // The box takes the focus before the drawing hides, which would pass it on elsewhere.
    if (focusWidget() == m_drawing) {
        box->setFocus(Qt::OtherFocusReason);
    }
    // The rest of a click that began on the drawing still goes to it, and on to the box: the
    // toolkit forgets a press on a widget that hides, so the drawing waits below everything
    // else for the button's release.
    if (QGuiApplication::mouseButtons() != Qt::NoButton && m_drawing->underMouse()) {
        m_drawing->lower();
    } else {
        m_drawing->hide();
    }
}

void frmBlocNote::markChanged(bool contentChanged) {
    m_ctx.store.MarkChanged(m_slot, contentChanged);
}

void frmBlocNote::notifyHost() {
    if (NoteHost* host = m_set.host()) {
        host->notePropertiesChanged(m_slot);
    }
}

void frmBlocNote::buildFromState() {
    NoteRecord& rec = record();
    NoteWindowState& st = state();
    applyCaption();
    m_settingText = true;
    for (QPlainTextEdit* box : txtBlocNote) {
        if (box != nullptr) {
            box->clear();
        }
    }
    if (m_boxMade) {
        textBox()->setPlainText(st.Text);
    }
    m_settingText = false;
    applyTextLook();
    applyLockState();
    applyRollIndicator();
    windowops::SetTopmost(this, st.AlwaysOnTop ? -1 : 0);
    applyOnTopIndicator();
    applyTitleBar();
    rec.ImagePath = rec.ImagePath.trimmed();
    if (rec.ImagePath.isEmpty()) {
        clearPicture();
    } else {
        loadPicture(m_ctx.folder.resolve(rec.ImagePath));
    }
    // A picture side without a picture path shows the text; the stored flag stays as it is.
    setPictureSide(st.PictureShown && !rec.ImagePath.isEmpty());
    applyDisplayMode();
    Form_Resize(false);
    setVisible(st.Visible && st.Live);
    if (isVisible()) {
        if (!m_boxMade) {
            m_drawing->setFocus();
        } else {
            textBox()->setFocus();
        }
    }
}

void frmBlocNote::applyCaption() {
    fraToolbar->setCaption(record().trimmedTitle());
    // The desktop's window lists and switchers name the note by its title.
    setWindowTitle(record().trimmedTitle());
}

void frmBlocNote::applyTextLook() {
    for (QPlainTextEdit* box : txtBlocNote) {
        if (box != nullptr) {
            styleTextBox(box);
        }
    }
    imgImage->setBackground(colors::screenColor(state().BackColor));
    update();
    if (!m_boxMade) {
        m_drawing->update();
    }
}

void frmBlocNote::styleTextBox(QPlainTextEdit* box) const {
    const NoteWindowState& st = state();
    QFont font(st.FontName.trimmed());
    font.setPointSizeF(st.FontSize > 0 ? st.FontSize : 10);
    font.setBold(st.FontBold);
    font.setItalic(st.FontItalic);
    font.setUnderline(st.FontUnderline);
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, colors::screenColor(st.BackColor));
    pal.setColor(QPalette::Text, colors::screenColor(st.ForeColor));
    box->setPalette(pal);
    box->setFont(font);
}

void frmBlocNote::applyLockState() {
    const bool locked = record().Locked;
    fraToolbar->lblToolBarProp->setOn(locked);
    for (QPlainTextEdit* box : txtBlocNote) {
        if (box != nullptr) {
            lockTextBox(box);
        }
    }
    if (!m_boxMade) {
        m_drawing->setToolTip(state().ReadOnlyReason);
    }
}

void frmBlocNote::lockTextBox(QPlainTextEdit* box) const {
    // A linked file shown in part cannot be edited either; the text box says why.
    const QString& reason = state().ReadOnlyReason;
    const bool readOnly = record().Locked || !reason.isEmpty();
    // Read-only also keeps drops and middle-click pastes out; selecting and copying stay.
    box->setReadOnly(readOnly);
    if (readOnly) {
        box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    }
    box->setToolTip(reason);
}

void frmBlocNote::applyOnTopIndicator() {
    fraToolbar->lblActionbarAoTop->setOn(state().AlwaysOnTop);
}

void frmBlocNote::applyRollIndicator() {
    const bool rolled = record().Rollup;
    fraToolbar->lblActionbarRoll->setOn(rolled);
    fraToolbar->lblActionbarRoll->setToolTip(m_ctx.tr.Translation(rolled ? 30 : 29));
}

void frmBlocNote::applyTitleBar() {
    fraToolbar->setVisible(record().ShowTitle);
    applyGeometry();
}

void frmBlocNote::applyTextBox() {
    const int index = TextIndex();
    if (QPlainTextEdit* other = txtBlocNote.at(static_cast<size_t>(1 - index))) {
        other->hide();
    }
    if (!m_boxMade) {
        m_drawing->setVisible(!m_pictureSide);
        m_drawing->update();
        return;
    }
    if (m_drawing != nullptr) {
        m_drawing->hide();
    }
    textBox()->setVisible(!m_pictureSide);
}

void frmBlocNote::applyDisplayMode() {
    imgImage->setStretch(state().PictureStretched);
}

void frmBlocNote::setPictureSide(bool picture) {
    m_pictureSide = picture;
    imgImage->setVisible(picture);
    applyTextBox();
}

bool frmBlocNote::loadPicture(const QString& fullPath) {
    QImageReader reader(fullPath);
    reader.setAutoTransform(true);
    const QImage picture = reader.read();
    imgImage->setPicture(picture);
    return !picture.isNull();
}

void frmBlocNote::clearPicture() {
    imgImage->clearPicture();
}

QSize frmBlocNote::pictureSize() const {
    return imgImage->picture().size();
}

float frmBlocNote::rolledHeight() const {
    return static_cast<float>(m_set.ChromeHeight() + m_set.ToolbarHeight());
}

void frmBlocNote::Form_Resize(bool userChange) {
    ProgramState& ps = m_ctx.state;
    if (!ps.LayoutEnabled) {
        return;
    }
    ps.LayoutEnabled = false;
    NoteWindowState& st = state();
    if (st.Width < MinWidth) {
        st.Width = MinWidth;
    }
    if (record().Rollup) {
        st.Height = rolledHeight();
    } else if (st.Height < MinHeight) {
        st.Height = MinHeight;
    }
    applyKeepRatioHeight();
    applyGeometry();
    if (userChange) {
        markChanged(false);
    }
    ps.LayoutEnabled = true;
}

void frmBlocNote::applyKeepRatioHeight() {
    const NoteRecord& rec = record();
    const QSize picture = pictureSize();
    if (!rec.ImageKeepRatio || picture.width() < 1 || rec.Rollup) {
        return;
    }
    const int topReserve =
        rec.ShowTitle ? m_set.ToolbarHeight() + m_set.ChromeHeight() : m_set.ChromeHeight();
    const float ratio = static_cast<float>(picture.height()) / static_cast<float>(picture.width());
    NoteWindowState& st = state();
    const float pictureWidth = st.Width - static_cast<float>(m_set.ChromeWidth());
    st.Height = std::floor(ratio * pictureWidth) + static_cast<float>(topReserve);
}

void frmBlocNote::applyGeometry() {
    const QRect stored = storedGeometry();
    const int w = stored.width();
    const int h = stored.height();
    const int rolledPx = twips::toPx(rolledHeight());
    const bool rolled = record().Rollup;
    // The show and hide animation sizes the window itself and puts it back where it was.
    if (!animating()) {
        setMinimumSize(std::min(twips::toPx(MinWidth), w),
                       rolled ? rolledPx : std::min(twips::toPx(MinHeight), h));
        // A rolled-up note keeps its rolled height whatever the user drags.
        setMaximumHeight(rolled ? rolledPx : QWIDGETSIZE_MAX);
        if (pos() != stored.topLeft()) {
            move(stored.topLeft());
        }
        if (size() != stored.size()) {
            resize(stored.size());
        }
    }
    const int inner = std::max(0, w - 2 * BorderPx);
    const int bar = TitleBar::heightPx();
    fraToolbar->setGeometry(BorderPx, BorderPx, inner, bar);
    const int top = BorderPx + (record().ShowTitle ? bar : 0);
    // Rolled up, the text keeps its unrolled size below the visible part.
    const int unrolledH = rolled ? twips::toPx(std::max(record().RollHeight, MinHeight)) : h;
    const QRect content(BorderPx, top, inner, std::max(1, unrolledH - top - BorderPx));
    m_textArea = content;
    for (QPlainTextEdit* box : txtBlocNote) {
        if (box != nullptr) {
            box->setGeometry(content);
        }
    }
    if (!m_boxMade) {
        m_drawing->setGeometry(content);
    }
    imgImage->setGeometry(content);
    for (ResizeGrip* grip : m_grips) {
        grip->setWidthOnly(rolled);
        grip->place();
    }
}

void frmBlocNote::resizeEvent(QResizeEvent*) {
    // The edges follow the window whatever its size.
    for (ResizeGrip* grip : m_grips) {
        grip->place();
    }
    // A hidden note is not sized by the user; the sizes of the animation are not the note's.
    if (animating() || !isVisible() || !m_ctx.state.LayoutEnabled) {
        return;
    }
    NoteWindowState& st = state();
    // Dragging the left or top edge moves the window as well; the layout must not put it back.
    bool changed = followPlace(st);
    changed = follow(st.Width, width()) || changed;
    changed = follow(st.Height, height()) || changed;
    if (changed) {
        Form_Resize(true);
    }
}

bool frmBlocNote::followPlace(NoteWindowState& st) const {
    const bool left = follow(st.Left, x());
    const bool top = follow(st.Top, y());
    return left || top;
}

void frmBlocNote::moveEvent(QMoveEvent*) {
    if (animating() || !isVisible()) {
        return;
    }
    if (followPlace(state())) {
        markChanged(false);
    }
}

void frmBlocNote::paintEvent(QPaintEvent*) {
    // The frame: the note's colour, darker.
    QPainter p(this);
    p.fillRect(rect(), colors::screenColor(state().BackColor).darker(150));
}

void frmBlocNote::closeEvent(QCloseEvent* event) {
    // A note is never closed, only hidden through its list line.
    event->ignore();
    lblActionbarHide_Click();
}

void frmBlocNote::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        // System colours follow the desktop's theme.
        applyTextLook();
    } else if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow()) {
            Form_Activate();
        } else {
            Form_Deactivate();
        }
    }
}

void frmBlocNote::Form_Activate() {
    if (!isVisible()) {
        return;
    }
    windowops::SetTopmost(this, state().AlwaysOnTop ? -1 : 0);
    if (NoteHost* host = m_set.host()) {
        host->noteActivated(m_slot);
    }
    ActiveLook();
}

void frmBlocNote::Form_Deactivate() {
    if (NoteHost* host = m_set.host()) {
        host->noteDeactivated(m_slot);
    }
    InactiveLook();
}

void frmBlocNote::ActiveLook() {
    fraToolbar->setActiveLook(true);
    NoteRecord& rec = record();
    if (rec.AutoRoll && rec.ShowTitle && rec.Rollup) {
        rollDown();
        m_ctx.state.LastAutoUnroll = oledate::rollStamp(m_ctx.clock.now());
    }
    if (rec.AutoDim) {
        (void)windowops::ClearTranslucency(this);
    }
}

void frmBlocNote::InactiveLook() {
    fraToolbar->setActiveLook(false);
    const NoteRecord& rec = record();
    if (rec.AutoRoll && rec.ShowTitle && !rec.Rollup) {
        rollUp();
    }
    if (rec.AutoDim) {
        (void)windowops::SetTranslucency(this, m_ctx.settings.autoDimValue());
    }
}

void frmBlocNote::rollUp() {
    NoteRecord& rec = record();
    NoteWindowState& st = state();
    rec.Rollup = true;
    rec.RollHeight = st.Height;
    st.Height = rolledHeight();
    const bool enabled = m_ctx.state.LayoutEnabled;
    m_ctx.state.LayoutEnabled = false;
    applyGeometry();
    m_ctx.state.LayoutEnabled = enabled;
    applyRollIndicator();
}

void frmBlocNote::rollDown() {
    record().Rollup = false;
    state().Height = record().RollHeight;
    Form_Resize(false);
    applyRollIndicator();
}

void frmBlocNote::lblActionbarAoTop_Click() {
    stopFlashing();
    m_set.commands().setAlwaysOnTop(m_slot, !state().AlwaysOnTop);
    notifyHost();
}

void frmBlocNote::lblActionbarRoll_Click() {
    stopFlashing();
    // The click that activated a rolled-up note has just unrolled it.
    const float now = oledate::rollStamp(m_ctx.clock.now());
    if (std::fabs(now - m_ctx.state.LastAutoUnroll) <= 0.3F) {
        return;
    }
    if (record().Rollup) {
        rollDown();
    } else {
        rollUp();
    }
    markChanged(false);
}

void frmBlocNote::lblActionbarHide_Click() {
    stopFlashing();
    if (NoteHost* host = m_set.host()) {
        host->hideNoteFromList(m_slot);
    }
}

void frmBlocNote::lblToolBarProp_MouseUp(Qt::MouseButton button) {
    if (button == Qt::LeftButton) {
        if (m_pictureSide) {
            m_set.commands().showText(m_slot);
        } else {
            m_set.commands().showImage(m_slot);
        }
        notifyHost();
    } else if (button == Qt::RightButton) {
        fraToolbar_MouseUp(Qt::RightButton);
    }
}

void frmBlocNote::fraToolbar_Click() {
    stopFlashing();
}

void frmBlocNote::fraToolbar_MouseUp(Qt::MouseButton button) {
    if (button == Qt::RightButton) {
        if (NoteHost* host = m_set.host()) {
            host->openProperties(m_slot);
        }
    }
}

void frmBlocNote::startFlashing() {
    timFlash->start();
}

bool frmBlocNote::isFlashing() const {
    return timFlash->isActive();
}

void frmBlocNote::stopFlashing() {
    timFlash->stop();
    (void)windowops::ClearTranslucency(this);
}

void frmBlocNote::timFlash_Timer() {
    // A triangle between 15 and 255 in steps of 20; it never reaches 0, so the note never
    // vanishes. The level carries on from where the last flashing stopped.
    (void)windowops::SetTranslucency(this, std::abs(m_flashLevel));
    m_flashLevel -= 20;
    if (m_flashLevel == 15) {
        m_flashLevel = -15;
    } else if (m_flashLevel == -255) {
        m_flashLevel = 255;
    }
}

void frmBlocNote::text_changed(int index) {
    if (m_settingText || index != TextIndex()) {
        return;
    }
    state().Text = textBox()->toPlainText();
    // Drops and middle-click pastes change the text without a key.
    markChanged(true);
}

void frmBlocNote::replaceText(const QString& text) {
    state().Text = text;
    if (!m_boxMade) {
        m_drawing->update();
        return;
    }
    m_settingText = true;
    textBox()->setPlainText(text);
    m_settingText = false;
}

void frmBlocNote::switchTextBox() {
    m_settingText = true;
    if (QPlainTextEdit* other = txtBlocNote.at(static_cast<size_t>(1 - TextIndex()))) {
        other->clear();
    }
    textBox()->setPlainText(state().Text);
    m_settingText = false;
    applyTextBox();
}
