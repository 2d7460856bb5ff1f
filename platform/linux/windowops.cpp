#include "platform/windowops.h"

#include <QGuiApplication>
#include <QHash>
#include <QPointer>
#include <QPropertyAnimation>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#ifdef QB_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <xcb/xcb.h>
#endif

namespace windowops {

namespace {

// How long after the last animated frame the window system may still report animated sizes.
constexpr int SettleMs = 250;
const char* const AnimationName = "qb_noteAnimation";
// Counts the animations of a window, so that an earlier one's end leaves a later one alone.
const char* const GenerationProperty = "qb_animationGeneration";

#ifdef QB_HAVE_XCB
xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    // An atom lasts as long as the connection, and asking the server for one waits for its
    // answer: each name is asked once (thousands of notes ask for the same few).
    static xcb_connection_t* askedOn = nullptr;
    static QHash<QByteArray, xcb_atom_t> known;
    if (askedOn != c) {
        known.clear();
        askedOn = c;
    }
    const QByteArray key(name);
    if (const auto found = known.constFind(key); found != known.constEnd()) {
        return *found;
    }
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, nullptr);
    if (reply == nullptr) {
        return XCB_ATOM_NONE;
    }
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    known.insert(key, atom);
    return atom;
}

// Asks the window manager to add or remove the "above" state of a mapped window
// (_NET_WM_STATE client message to the root window). False when this is not X11.
bool sendAboveState(QWindow* window, bool above) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return false;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 != nullptr ? x11->connection() : nullptr;
    if (c == nullptr) {
        return false;
    }
    const xcb_atom_t state = internAtom(c, "_NET_WM_STATE");
    const xcb_atom_t aboveAtom = internAtom(c, "_NET_WM_STATE_ABOVE");
    const xcb_atom_t staysOnTop = internAtom(c, "_NET_WM_STATE_STAYS_ON_TOP");
    if (state == XCB_ATOM_NONE || aboveAtom == XCB_ATOM_NONE) {
        return false;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (screen == nullptr) {
        return false;
    }
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = static_cast<xcb_window_t>(window->winId());
    event.type = state;
    event.data.data32[0] = above ? 1 : 0; // _NET_WM_STATE_ADD / _NET_WM_STATE_REMOVE
    event.data.data32[1] = aboveAtom;
    event.data.data32[2] = staysOnTop;
    event.data.data32[3] = 1; // from a normal application
    xcb_send_event(c, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c);
    return true;
}

xcb_connection_t* x11Connection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return nullptr;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

// Every workspace, in _NET_WM_DESKTOP.
constexpr uint32_t AllDesktops = 0xFFFFFFFF;

bool readCardinal(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, uint32_t& out) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, XCB_ATOM_CARDINAL, 0, 1), nullptr);
    bool found = false;
    if (reply != nullptr && reply->format == 32 && xcb_get_property_value_length(reply) >= 4) {
        out = *static_cast<const uint32_t*>(xcb_get_property_value(reply));
        found = true;
    }
    std::free(reply);
    return found;
}

void sendToRoot(xcb_connection_t* c, xcb_window_t root, xcb_window_t window, xcb_atom_t type,
                const std::array<uint32_t, 4>& data) {
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    for (size_t i = 0; i < data.size(); ++i) {
        event.data.data32[i] = data.at(i);
    }
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
}

// Adds or removes the sticky state in the _NET_WM_STATE of an unmapped window, keeping the
// other states (the toolkit adds its own to them when it maps the window).
void writeStickyState(xcb_connection_t* c, xcb_window_t window, xcb_atom_t state, xcb_atom_t sticky,
                      bool all) {
    std::vector<xcb_atom_t> atoms;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, state, XCB_ATOM_ATOM, 0, 1024), nullptr);
    if (reply != nullptr && reply->format == 32) {
        const auto* data = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        atoms.assign(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    std::erase(atoms, sticky);
    if (all) {
        atoms.push_back(sticky);
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, state, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(atoms.size()), atoms.data());
}

bool applyWorkspaces(QWidget* widget, bool all) {
    xcb_connection_t* c = x11Connection();
    if (c == nullptr || !widget->testAttribute(Qt::WA_WState_Created)) {
        return false;
    }
    const auto window = static_cast<xcb_window_t>(widget->winId());
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_atom_t desktopAtom = internAtom(c, "_NET_WM_DESKTOP");
    const xcb_atom_t state = internAtom(c, "_NET_WM_STATE");
    const xcb_atom_t sticky = internAtom(c, "_NET_WM_STATE_STICKY");
    if (screen == nullptr || desktopAtom == XCB_ATOM_NONE || state == XCB_ATOM_NONE) {
        return false;
    }
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    const bool mapped = attributes != nullptr && attributes->map_state != XCB_MAP_STATE_UNMAPPED;
    std::free(attributes);
    // One workspace: the one the user is on.
    uint32_t desktop = AllDesktops;
    if (!all && !readCardinal(c, screen->root, internAtom(c, "_NET_CURRENT_DESKTOP"), desktop)) {
        desktop = 0;
    }
    if (mapped) {
        sendToRoot(c, screen->root, window, desktopAtom, {desktop, 1, 0, 0});
        sendToRoot(c, screen->root, window, state, {all ? 1u : 0u, sticky, 0, 1});
    } else {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, desktopAtom, XCB_ATOM_CARDINAL, 32, 1,
                            &desktop);
        writeStickyState(c, window, state, sticky, all);
    }
    xcb_flush(c);
    return true;
}

bool readAllWorkspaces(const QWidget* widget) {
    xcb_connection_t* c = x11Connection();
    if (c == nullptr || !widget->testAttribute(Qt::WA_WState_Created)) {
        return false;
    }
    uint32_t desktop = 0;
    return readCardinal(c, static_cast<xcb_window_t>(widget->winId()),
                        internAtom(c, "_NET_WM_DESKTOP"), desktop) &&
           desktop == AllDesktops;
}
#else
bool sendAboveState(QWindow*, bool) {
    return false;
}
bool applyWorkspaces(QWidget*, bool) {
    return false;
}
bool readAllWorkspaces(const QWidget*) {
    return false;
}
#endif

} // namespace

bool isTopmost(const QWidget* window) {
    return window != nullptr && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void setStaysOnTop(QWidget* window, bool onTop) {
    if (window == nullptr || isTopmost(window) == onTop) {
        return;
    }
    QWindow* handle = window->windowHandle();
    if (handle == nullptr) {
        // No platform window yet: the flag is read when it is created.
        window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
        return;
    }
    // Setting the widget's flag would re-create the platform window, which hides it, takes
    // the focus away and rolls an auto-roll note up. The widget's flag is only recorded; the
    // platform window's follows, so that the state holds after the next hide and show too; on
    // X11 the window manager is asked directly for a shown window.
    Qt::WindowFlags flags = window->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    window->overrideWindowFlags(flags);
    handle->setFlags(flags);
    if (window->isVisible()) {
        (void)sendAboveState(handle, onTop);
    }
}

void SetTopmost(QWidget* window, int onTop) {
    if (window == nullptr) {
        return;
    }
    if (onTop == -1 || onTop == 0) {
        setStaysOnTop(window, onTop == -1);
    }
    if (window->isVisible()) {
        window->raise();
    }
}

int SetTranslucency(QWidget* window, int level) {
    if (level < 0 || level > 255) {
        return 1;
    }
    if (window == nullptr) {
        return 2;
    }
    window->setWindowOpacity(level / 255.0);
    return 0;
}

int ClearTranslucency(QWidget* window) {
    if (window == nullptr) {
        return 2;
    }
    window->setWindowOpacity(1.0);
    return 0;
}

bool isAnimating(const QWidget* window) {
    return window != nullptr && window->property(AnimatingProperty).toBool();
}

void AnimateNote(QWidget* window, bool hiding, const QRect& resting) {
    if (window == nullptr) {
        return;
    }
    // A running animation ends at once: its window shown or hidden and back at rest.
    for (auto* running : window->findChildren<QPropertyAnimation*>(QLatin1String(AnimationName),
                                                                   Qt::FindDirectChildrenOnly)) {
        if (running->state() == QAbstractAnimation::Running) {
            running->setCurrentTime(running->duration());
        }
    }
    const int generation = window->property(GenerationProperty).toInt() + 1;
    window->setProperty(GenerationProperty, generation);
    const QRect centre(resting.center(), QSize(1, 1));
    // The window's size limits would stop it short of its centre.
    const QSize minimum = window->minimumSize();
    const QSize maximum = window->maximumSize();
    window->setProperty(AnimatingProperty, true);
    window->setMinimumSize(1, 1);
    window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    auto* animation = new QPropertyAnimation(window, "geometry", window);
    animation->setObjectName(QLatin1String(AnimationName));
    animation->setDuration(200);
    animation->setStartValue(hiding ? window->geometry() : centre);
    animation->setEndValue(hiding ? centre : resting);
    if (!hiding) {
        window->setGeometry(centre);
        window->show();
    }
    QPointer<QWidget> guarded(window);
    auto settle = [guarded, resting, generation] {
        if (guarded.isNull() || guarded->property(GenerationProperty).toInt() != generation) {
            return;
        }
        guarded->setGeometry(resting);
        guarded->setProperty(AnimatingProperty, false);
    };
    QObject::connect(animation, &QPropertyAnimation::finished, window,
                     [guarded, resting, hiding, minimum, maximum, settle] {
                         if (guarded.isNull()) {
                             return;
                         }
                         if (hiding) {
                             guarded->hide();
                         }
                         guarded->setMinimumSize(minimum);
                         guarded->setMaximumSize(maximum);
                         guarded->setGeometry(resting);
                         // The window system reports the animated sizes after the fact; they are
                         // let pass before the window takes sizes for the user's again, and the
                         // resting geometry is set once more over whatever they left.
                         QTimer::singleShot(SettleMs, guarded.data(), settle);
                     });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void setOnAllWorkspaces(QWidget* window, bool all) {
    if (window == nullptr) {
        return;
    }
    window->setProperty(StickyProperty, all);
    (void)applyWorkspaces(window, all);
}

bool onAllWorkspaces(const QWidget* window) {
    return window != nullptr && window->property(StickyProperty).toBool();
}

bool x11OnAllWorkspaces(const QWidget* window) {
    return window != nullptr && readAllWorkspaces(window);
}

} // namespace windowops
