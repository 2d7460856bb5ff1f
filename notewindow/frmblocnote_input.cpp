// The note window's keyboard, mouse and menu handling.
#include "notewindow/frmblocnote.h"

#include "alarms/alarmchecker.h"
#include "localisation/translator.h"
#include "notewindow/keyrules.h"
#include "notewindow/linkdetection.h"
#include "notewindow/notecommands.h"
#include "notewindow/notehost.h"
#include "notewindow/noteimage.h"
#include "notewindow/notemenus.h"
#include "notewindow/notewindowset.h"
#include "notewindow/titlebar.h"
#include "platform/desktopshell.h"
#include "platform/programfolder.h"
#include "platform/windowops.h"
#include "store/notestore.h"
#include "store/programstate.h"
#include "store/settings.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>

namespace {
enum EditCommand { SelectAll, Copy, Cut, Paste, Undo };
} // namespace

bool frmBlocNote::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_drawing) {
        return drawingEvent(event);
    }
    for (QPlainTextEdit* box : txtBlocNote) {
        if (box == nullptr) {
            continue;
        }
        if (watched == box && event->type() == QEvent::KeyPress) {
            return textKeyPress(box, static_cast<QKeyEvent*>(event));
        }
        if (watched == box->viewport()) {
            if (event->type() == QEvent::ContextMenu) {
                return true;
            }
            if (event->type() == QEvent::MouseButtonPress) {
                auto* mouse = static_cast<QMouseEvent*>(event);
                stopFlashing();
                if (mouse->button() == Qt::RightButton) {
                    runMenu(false);
                    return true;
                }
            }
        }
    }
    if (watched == imgImage && event->type() == QEvent::MouseButtonPress) {
        stopFlashing();
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
            runMenu(true);
            return true;
        }
    }
    return dragEvent(watched, event);
}

bool frmBlocNote::drawingEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::Paint:
        if (!m_boxMade) {
            styleTextBox(&m_set.textRenderer());
            m_set.drawText(m_drawing, state().Text);
        }
        return true;
    case QEvent::FocusIn:
        // Making the box gives it the focus.
        (void)textBox();
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        // The box lies exactly where the drawing is: the event goes on to it unchanged.
        QCoreApplication::sendEvent(textBox()->viewport(), event);
        return true;
    case QEvent::MouseButtonRelease:
        QCoreApplication::sendEvent(textBox()->viewport(), event);
        if (static_cast<QMouseEvent*>(event)->buttons() == Qt::NoButton) {
            m_drawing->hide();
        }
        return true;
    default:
        return false;
    }
}

bool frmBlocNote::textKeyPress(QPlainTextEdit* box, QKeyEvent* event) {
    const KeyRule rule = classifyKey(*event);
    const bool locked = record().Locked;
    switch (rule.kind) {
    case KeyKind::Delete:
    case KeyKind::Typing:
        // A locked note swallows editing keys silently.
        if (locked) {
            return true;
        }
        markChanged(true);
        return false;
    case KeyKind::AltShortcut:
        runShortcut(rule.letter);
        return true;
    case KeyKind::AltIgnored:
        return true;
    case KeyKind::SelectAll:
        box->selectAll();
        return true;
    case KeyKind::Copy:
    case KeyKind::Other:
        return false;
    }
    return false;
}

bool frmBlocNote::runShortcut(QChar letter) {
    NoteCommands& cmd = m_set.commands();
    const NoteRecord& rec = record();
    switch (letter.unicode()) {
    case u'A':
        cmd.setAlwaysOnTop(m_slot, !state().AlwaysOnTop);
        break;
    case u'C':
        cmd.chooseColor(m_slot, true, this);
        break;
    case u'D':
        cmd.setAutoDim(m_slot, !rec.AutoDim);
        break;
    case u'F':
        cmd.chooseFont(m_slot, this);
        break;
    case u'L':
        cmd.setLocked(m_slot, !rec.Locked);
        break;
    case u'P':
        if (NoteHost* host = m_set.host()) {
            host->openProperties(m_slot);
        }
        return true;
    case u'R':
        cmd.setAutoRoll(m_slot, !rec.AutoRoll);
        break;
    case u'S':
        cmd.setShowScrollBar(m_slot, !rec.ShowScrollBar);
        break;
    case u'T':
        cmd.setShowTitle(m_slot, !rec.ShowTitle);
        break;
    default:
        return false;
    }
    notifyHost();
    return true;
}

bool frmBlocNote::dragEvent(QObject* watched, QEvent* event) {
    QPlainTextEdit* box = nullptr;
    for (QPlainTextEdit* b : txtBlocNote) {
        if (b != nullptr && watched == b->viewport()) {
            box = b;
        }
    }
    if (box == nullptr && watched != fraToolbar && watched != imgImage) {
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        m_dragArmed = mouse->button() == Qt::LeftButton;
        m_dragPointer = mouse->globalPosition().toPoint();
        m_dragWindow = pos();
        return false;
    }
    if (event->type() != QEvent::MouseMove || !m_dragArmed) {
        return false;
    }
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->buttons() != Qt::LeftButton) {
        return false;
    }
    if (box != nullptr) {
        // Text: with "Move notes with <ctrl>" only a Ctrl-drag moves, else only a plain drag;
        // the other drag selects text.
        const Qt::KeyboardModifiers mods =
            mouse->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
        const Qt::KeyboardModifiers wanted = Settings::ticked(m_ctx.settings.chkMoveNotes)
                                                 ? Qt::KeyboardModifiers(Qt::ControlModifier)
                                                 : Qt::KeyboardModifiers();
        if (mods != wanted) {
            return false;
        }
    }
    const QPoint delta = mouse->globalPosition().toPoint() - m_dragPointer;
    if (!delta.isNull()) {
        // moveEvent keeps Left/Top current and marks the note.
        move(m_dragWindow + delta);
    }
    return true;
}

NoteMenus& frmBlocNote::menus() {
    // Built on the first right-click: hundreds of notes start faster without them.
    if (m_menus == nullptr) {
        m_menus = new NoteMenus(this);
        wireMenus();
    }
    return *m_menus;
}

void frmBlocNote::prepareNoteMenu() {
    NoteMenus& m = menus();
    const NoteRecord& rec = record();
    m.mnuCut->setEnabled(!rec.Locked);
    m.mnuPaste->setEnabled(!rec.Locked);
    m.mnuUndo->setEnabled(!rec.Locked);
    m.mnuNoteLocked->setChecked(rec.Locked);
    for (QAction* link :
         {m.mnuOpenInInternet, m.mnuSendMail, m.mnuOpenFile, m.mnuOpenFolder, m.mnufil6}) {
        link->setVisible(false);
    }
    m_linkTag.clear();
    const QTextCursor cursor = textBox()->textCursor();
    if (cursor.hasSelection()) {
        QString selected = cursor.selectedText();
        selected.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        const DetectedLinks links = detectLinks(selected);
        m_ctx.state.LinkText = links.linkText;
        m_linkTag = links.linkText;
        m.mnuOpenInInternet->setVisible(links.web);
        m.mnuSendMail->setVisible(links.mail);
        m.mnuOpenFile->setVisible(links.file);
        m.mnuOpenFolder->setVisible(links.folder);
        m.mnufil6->setVisible(links.any());
    }
    m.mnuNoteShowTitle->setChecked(rec.ShowTitle);
    m.mnuSendTo->setEnabled(Settings::ticked(m_ctx.settings.chkNetEnable));
    const bool ringing = m_set.isRinging(m_slot);
    for (int i = 0; i < int(m.mnuSnooze.size()); ++i) {
        m.mnuSnooze.at(size_t(i))->setText(m_ctx.tr.Translation(110 + i));
        m.mnuSnooze.at(size_t(i))->setVisible(ringing);
    }
    m.mnuSnoozeSeparator->setVisible(ringing);
}

void frmBlocNote::prepareImageMenu() {
    menus().mnuImageShowTitle->setChecked(record().ShowTitle);
}

void frmBlocNote::runMenu(bool imageMenu) {
    NoteHost* host = m_set.host();
    if (host != nullptr) {
        host->stopAutoRefresh();
    }
    // The on-top state stays stored as it is (a save during the menu must not lose it);
    // the properties panel reads SavedOnTop while the menu shows.
    m_savedOnTop = state().AlwaysOnTop;
    m_menuShowing = true;
    if (imageMenu) {
        prepareImageMenu();
        menus().mnuImage->exec(QCursor::pos());
    } else {
        prepareNoteMenu();
        menus().mnuNote->exec(QCursor::pos());
    }
    m_menuShowing = false;
    if (isEnabled() && isVisible()) {
        windowops::SetTopmost(this, state().AlwaysOnTop ? -1 : 0);
    }
    if (host != nullptr && Settings::ticked(m_ctx.settings.chkAutoRefresh) &&
        !host->managerVisible()) {
        host->restartAutoRefresh();
    }
}

void frmBlocNote::editCommand(int command) {
    QPlainTextEdit* box = textBox();
    if (command == SelectAll) {
        box->selectAll();
        return;
    }
    if (command == Copy) {
        box->copy();
        return;
    }
    if (record().Locked) {
        return;
    }
    if (command == Cut) {
        box->cut();
    } else if (command == Paste) {
        box->paste();
    } else {
        box->undo();
    }
    markChanged(true);
}

void frmBlocNote::wireMenus() {
    NoteMenus& m = *m_menus;
    auto host = [this] { return m_set.host(); };
    for (int i = 0; i < int(m.mnuSnooze.size()); ++i) {
        connect(m.mnuSnooze.at(size_t(i)), &QAction::triggered, this, [this, i] {
            m_set.setRinging(m_slot, false);
            emit m_set.snoozeRequested(m_slot, AlarmChecker::SnoozeMinutes.at(size_t(i)));
        });
    }
    connect(m.mnuShowImage, &QAction::triggered, this, [this] {
        m_set.commands().showImage(m_slot);
        notifyHost();
    });
    connect(m.mnuShowText, &QAction::triggered, this, [this] {
        m_set.commands().showText(m_slot);
        notifyHost();
    });
    connect(m.mnuSelectAll, &QAction::triggered, this, [this] { editCommand(SelectAll); });
    connect(m.mnuCopy, &QAction::triggered, this, [this] { editCommand(Copy); });
    connect(m.mnuCut, &QAction::triggered, this, [this] { editCommand(Cut); });
    connect(m.mnuPaste, &QAction::triggered, this, [this] { editCommand(Paste); });
    connect(m.mnuUndo, &QAction::triggered, this, [this] { editCommand(Undo); });
    connect(m.mnuNoteDelete, &QAction::triggered, this, [this, host] {
        if (host()) {
            host()->removeNote(m_slot);
        }
    });
    connect(m.mnuSendTo, &QAction::triggered, this,
            [this] { emit m_set.sendRequested(m_slot, this); });
    connect(m.mnuPrint, &QAction::triggered, this,
            [this] { m_set.commands().print(m_slot, this); });
    connect(m.mnuNoteAsDefault, &QAction::triggered, this, [this] {
        m_set.commands().setAsDefault(m_slot, m_menuShowing ? m_savedOnTop : state().AlwaysOnTop);
    });
    connect(m.mnuOpenInInternet, &QAction::triggered, this,
            [this] { (void)m_ctx.shell.open(m_linkTag); });
    connect(m.mnuSendMail, &QAction::triggered, this,
            [this] { (void)m_ctx.shell.open(QStringLiteral("mailto:") + m_linkTag); });
    connect(m.mnuOpenFile, &QAction::triggered, this,
            [this] { (void)m_ctx.shell.open(ProgramFolder::expandHome(m_linkTag)); });
    connect(m.mnuOpenFolder, &QAction::triggered, this,
            [this] { (void)m_ctx.shell.open(ProgramFolder::expandHome(m_linkTag)); });
    for (QAction* properties : {m.mnuNoteProperties, m.mnuImageProperties}) {
        connect(properties, &QAction::triggered, this, [this, host] {
            if (host()) {
                host()->openProperties(m_slot);
            }
        });
    }
    connect(m.mnuNoteLocked, &QAction::triggered, this, [this] {
        m_set.commands().setLocked(m_slot, !record().Locked);
        notifyHost();
    });
    for (QAction* showTitle : {m.mnuNoteShowTitle, m.mnuImageShowTitle}) {
        connect(showTitle, &QAction::triggered, this, [this] {
            m_set.commands().setShowTitle(m_slot, !record().ShowTitle);
            notifyHost();
        });
    }
    for (QAction* hide : {m.mnuNoteHide, m.mnuImageHide}) {
        connect(hide, &QAction::triggered, this, [this, host] {
            if (host()) {
                host()->hideNoteFromList(m_slot);
            }
        });
    }
    connect(m.mnuSelectImage, &QAction::triggered, this, [this] {
        m_set.commands().browsePicture(m_slot, this);
        notifyHost();
    });
}
