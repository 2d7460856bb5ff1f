#include "notewindow/notewindowset.h"

#include "notewindow/frmblocnote.h"
#include "notewindow/notecommands.h"
#include "notewindow/notehost.h"
#include "notewindow/titlebar.h"
#include "platform/twips.h"
#include "platform/windowops.h"
#include "store/notestore.h"
#include "store/settings.h"

#include <QPainter>
#include <QPlainTextEdit>

NoteWindowSet::NoteWindowSet(const NoteContext& ctx, QObject* parent)
    : QObject(parent)
    , m_ctx(ctx)
    , m_commands(std::make_unique<NoteCommands>(m_ctx, *this)) {}

NoteWindowSet::~NoteWindowSet() {
    destroyAll();
}

void NoteWindowSet::setHost(NoteHost* host) {
    m_host = host;
}

NoteCommands& NoteWindowSet::commands() {
    return *m_commands;
}

void NoteWindowSet::measureLayout() {
    // A note window has no system frame; its own one-pixel border is all the chrome around
    // the text box, and the title bar is as tall as its caption font needs.
    const int chromePx = 2 * frmBlocNote::BorderPx;
    m_chromeWidth = static_cast<int>(twips::fromPx(chromePx));
    m_chromeHeight = static_cast<int>(twips::fromPx(chromePx));
    m_toolbarHeight = static_cast<int>(twips::fromPx(TitleBar::heightPx()));
}

frmBlocNote* NoteWindowSet::window(int slot) {
    if (slot < 0) {
        return nullptr;
    }
    const auto index = static_cast<size_t>(slot);
    if (m_windows.size() <= index) {
        m_windows.resize(index + 1);
    }
    if (!m_windows[index]) {
        m_windows[index] = std::make_unique<frmBlocNote>(*this, m_ctx, slot);
    }
    return m_windows[index].get();
}

frmBlocNote* NoteWindowSet::existingWindow(int slot) const {
    if (slot < 0 || static_cast<size_t>(slot) >= m_windows.size()) {
        return nullptr;
    }
    return m_windows[static_cast<size_t>(slot)].get();
}

void NoteWindowSet::buildNote(int slot) {
    if (!m_ctx.store.isValidSlot(slot)) {
        return;
    }
    window(slot)->buildFromState();
}

void NoteWindowSet::createNewNoteWindow(int slot) {
    if (!m_ctx.store.isValidSlot(slot)) {
        return;
    }
    auto& st = m_ctx.store.Windows.at(static_cast<size_t>(slot));
    const bool visible = st.Visible;
    st.Visible = false;
    window(slot)->buildFromState();
    st.Visible = visible;
}

void NoteWindowSet::showNote(int slot, bool animate) {
    frmBlocNote* w = existingWindow(slot);
    if (w == nullptr || !m_ctx.store.isValidSlot(slot)) {
        return;
    }
    auto& st = m_ctx.store.Windows.at(static_cast<size_t>(slot));
    st.Visible = true;
    // Laid out at its stored size first, so that the animation grows it to that size.
    w->Form_Resize(false);
    if (animate) {
        windowops::AnimateNote(w, false, w->storedGeometry());
    } else {
        w->show();
    }
    if (st.AlwaysOnTop) {
        windowops::SetTopmost(w, -1);
    }
}

void NoteWindowSet::hideNote(int slot, bool animate) {
    frmBlocNote* w = existingWindow(slot);
    if (w == nullptr || !m_ctx.store.isValidSlot(slot)) {
        return;
    }
    m_ctx.store.Windows.at(static_cast<size_t>(slot)).Visible = false;
    if (animate && w->isVisible()) {
        windowops::AnimateNote(w, true, w->storedGeometry());
    } else {
        w->hide();
    }
}

void NoteWindowSet::retireNote(int slot) {
    if (!m_ctx.store.isValidSlot(slot)) {
        return;
    }
    auto& st = m_ctx.store.Windows.at(static_cast<size_t>(slot));
    st.Live = false;
    st.Visible = false;
    if (frmBlocNote* w = existingWindow(slot)) {
        w->stopFlashing();
        w->hide();
        w->setEnabled(false);
    }
}

void NoteWindowSet::destroyAll() {
    m_windows.clear();
}

void NoteWindowSet::applyLook(int slot, bool active) {
    frmBlocNote* w = existingWindow(slot);
    if (w == nullptr || !m_ctx.store.isValidSlot(slot)) {
        return;
    }
    if (active) {
        w->ActiveLook();
    } else {
        w->InactiveLook();
    }
}

void NoteWindowSet::refreshTopmost() {
    for (size_t i = 0; i < m_windows.size(); ++i) {
        frmBlocNote* w = m_windows[i].get();
        if (w != nullptr && w->isVisible() && i < m_ctx.store.Windows.size() &&
            m_ctx.store.Windows[i].AlwaysOnTop) {
            windowops::SetTopmost(w, -1);
        }
    }
}

void NoteWindowSet::RemoveAlwaysOnTop(QWidget* manager) {
    if (m_host != nullptr) {
        m_host->stopAutoRefresh();
    }
    // Only what is on top now goes back on top afterwards.
    auto takeAway = [this](QWidget* w) {
        if (w != nullptr && w->isVisible() && windowops::isTopmost(w)) {
            m_takenOnTop.emplace_back(w);
            windowops::SetTopmost(w, 0);
        }
    };
    for (const auto& w : m_windows) {
        takeAway(w.get());
    }
    takeAway(manager);
}

void NoteWindowSet::ResetAlwaysOnTop(QWidget* /*manager*/) {
    std::vector<QPointer<QWidget>> taken;
    taken.swap(m_takenOnTop);
    for (const QPointer<QWidget>& w : taken) {
        if (w.isNull() || !w->isVisible()) {
            continue;
        }
        // A note whose on-top state was switched off meanwhile stays off.
        const auto* note = qobject_cast<frmBlocNote*>(w.data());
        if (note != nullptr &&
            !m_ctx.store.Windows.at(static_cast<size_t>(note->slot())).AlwaysOnTop) {
            continue;
        }
        windowops::SetTopmost(w, -1);
    }
    if (m_host != nullptr && Settings::ticked(m_ctx.settings.chkAutoRefresh) &&
        !m_host->managerVisible()) {
        m_host->restartAutoRefresh();
    }
}

void NoteWindowSet::applyDimLevel(int level) {
    for (size_t i = 0; i < m_windows.size(); ++i) {
        frmBlocNote* w = m_windows[i].get();
        if (w != nullptr && w->isVisible() && !w->isActiveWindow() && !w->isFlashing() &&
            i < m_ctx.store.Notes.size() && m_ctx.store.Notes[i].AutoDim) {
            (void)windowops::SetTranslucency(w, level);
        }
    }
}

void NoteWindowSet::focusText(int slot) {
    if (frmBlocNote* w = existingWindow(slot); w != nullptr && w->isVisible()) {
        w->activateWindow();
        w->textBox()->setFocus();
    }
}

void NoteWindowSet::setRinging(int slot, bool ringing) {
    if (ringing) {
        m_ringing.insert(slot);
    } else {
        m_ringing.remove(slot);
    }
}

void NoteWindowSet::setNoteText(int slot, const QString& text) {
    if (!m_ctx.store.isValidSlot(slot)) {
        return;
    }
    m_ctx.store.Windows.at(static_cast<size_t>(slot)).Text = text;
    if (frmBlocNote* w = existingWindow(slot)) {
        w->replaceText(text);
    }
}

void NoteWindowSet::flashNote(int slot) {
    if (frmBlocNote* w = existingWindow(slot)) {
        w->startFlashing();
    }
}

QPlainTextEdit& NoteWindowSet::textRenderer() {
    if (!m_renderer) {
        m_renderer = std::make_unique<QPlainTextEdit>();
        // Drawn into the notes' windows only; it is never put on screen.
        m_renderer->setAttribute(Qt::WA_DontShowOnScreen);
        m_renderer->setObjectName(QStringLiteral("textRenderer"));
        frmBlocNote::shapeTextBox(*m_renderer, 0);
    }
    return *m_renderer;
}

void NoteWindowSet::drawText(QWidget* target, const QString& text) {
    QPlainTextEdit& renderer = textRenderer();
    if (renderer.size() != target->size()) {
        renderer.resize(target->size());
    }
    // Repainting the same note, as when windows above it move, does not lay its text out again.
    if (text != m_rendered) {
        renderer.setPlainText(text);
        m_rendered = text;
    }
    // Drawn through an image: a widget drawn straight into another's paint event lands at the
    // window's origin instead of the target's place in it.
    const qreal ratio = target->devicePixelRatioF();
    const QSize pixels = target->size() * ratio;
    if (m_drawn.size() != pixels) {
        m_drawn = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    }
    m_drawn.setDevicePixelRatio(ratio);
    renderer.render(&m_drawn);
    QPainter painter(target);
    painter.drawImage(QPoint(0, 0), m_drawn);
}
