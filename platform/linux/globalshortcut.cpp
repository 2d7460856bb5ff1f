#include "platform/globalshortcut.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QTimer>

#ifdef QB_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <xcb/xcb.h>
#endif

#ifdef QB_HAVE_DBUS
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#endif

namespace {

// A shortcut for a desktop that offers none.
class NoGlobalShortcut : public GlobalShortcut {
public:
    using GlobalShortcut::GlobalShortcut;
    Status setShortcut(const QKeySequence& keys) override {
        setStatus(keys.isEmpty() ? Status::Off : Status::NotOffered);
        return status();
    }
};

#ifdef QB_HAVE_XCB

// X11 modifier bits.
constexpr uint16_t ShiftMask = 1;
constexpr uint16_t LockMask = 2;
constexpr uint16_t ControlMask = 4;
constexpr uint16_t Mod1Mask = 8;  // Alt
constexpr uint16_t Mod2Mask = 16; // Num Lock
constexpr uint16_t Mod4Mask = 64; // Super

// The keysym of a toolkit key; 0 for a key without one here.
uint32_t keysymOf(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<uint32_t>(key - Qt::Key_A + 'a');
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde)
        return static_cast<uint32_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return static_cast<uint32_t>(0xffbe + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Return:
        return 0xff0d;
    case Qt::Key_Tab:
        return 0xff09;
    case Qt::Key_Insert:
        return 0xff63;
    case Qt::Key_Delete:
        return 0xffff;
    case Qt::Key_Home:
        return 0xff50;
    case Qt::Key_End:
        return 0xff57;
    case Qt::Key_PageUp:
        return 0xff55;
    case Qt::Key_PageDown:
        return 0xff56;
    case Qt::Key_Left:
        return 0xff51;
    case Qt::Key_Up:
        return 0xff52;
    case Qt::Key_Right:
        return 0xff53;
    case Qt::Key_Down:
        return 0xff54;
    case Qt::Key_Print:
        return 0xff61;
    case Qt::Key_Pause:
        return 0xff13;
    default:
        return 0;
    }
}

uint16_t x11Modifiers(Qt::KeyboardModifiers mods) {
    uint16_t out = 0;
    if (mods & Qt::ShiftModifier)
        out |= ShiftMask;
    if (mods & Qt::ControlModifier)
        out |= ControlMask;
    if (mods & Qt::AltModifier)
        out |= Mod1Mask;
    if (mods & Qt::MetaModifier)
        out |= Mod4Mask;
    return out;
}

// The key grabbed on the root window. Num Lock and Caps Lock change the modifier state, so
// the key is grabbed with each of their combinations.
class X11GlobalShortcut : public GlobalShortcut, public QAbstractNativeEventFilter {
public:
    X11GlobalShortcut(xcb_connection_t* connection, xcb_window_t root)
        : m_connection(connection)
        , m_root(root) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~X11GlobalShortcut() override {
        ungrab();
        if (QCoreApplication::instance() != nullptr)
            QCoreApplication::instance()->removeNativeEventFilter(this);
    }

    Status setShortcut(const QKeySequence& keys) override {
        ungrab();
        if (keys.isEmpty()) {
            setStatus(Status::Off);
            return status();
        }
        const QKeyCombination combination = keys[0];
        const uint32_t keysym = keysymOf(combination.key());
        const xcb_keycode_t keycode = keysym != 0 ? keycodeOf(keysym) : 0;
        if (keycode == 0) {
            setStatus(Status::Taken);
            return status();
        }
        const uint16_t mods = x11Modifiers(combination.keyboardModifiers());
        bool refused = false;
        for (const uint16_t extra : LockVariants) {
            const xcb_void_cookie_t cookie =
                xcb_grab_key_checked(m_connection, 1, m_root, mods | extra, keycode,
                                     XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookie)) {
                std::free(error);
                refused = true;
            }
        }
        m_keycode = keycode;
        m_modifiers = mods;
        if (refused) {
            // Another program holds the key: nothing of it stays grabbed.
            ungrab();
            setStatus(Status::Taken);
        } else {
            setStatus(Status::Registered);
        }
        return status();
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (m_keycode == 0 || eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
            return false;
        const auto* key = static_cast<const xcb_key_press_event_t*>(message);
        const uint16_t state = key->state & static_cast<uint16_t>(~(LockMask | Mod2Mask));
        if (key->event != m_root || key->detail != m_keycode ||
            (state & (ShiftMask | ControlMask | Mod1Mask | Mod4Mask)) != m_modifiers)
            return false;
        // After the toolkit has taken the event's time, so the new note may take the focus.
        QTimer::singleShot(0, this, [this] { emit activated(); });
        return false;
    }

private:
    static constexpr uint16_t LockVariants[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};

    xcb_keycode_t keycodeOf(uint32_t keysym) const {
        const xcb_setup_t* setup = xcb_get_setup(m_connection);
        const int first = setup->min_keycode;
        const int count = setup->max_keycode - setup->min_keycode + 1;
        xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
            m_connection,
            xcb_get_keyboard_mapping(m_connection, setup->min_keycode, static_cast<uint8_t>(count)),
            nullptr);
        if (reply == nullptr)
            return 0;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
        const int perCode = reply->keysyms_per_keycode;
        xcb_keycode_t found = 0;
        // The unshifted and shifted columns; the first code that has the symbol.
        for (int column = 0; column < std::min(perCode, 2) && found == 0; ++column) {
            for (int i = 0; i < count; ++i) {
                if (syms[i * perCode + column] == keysym) {
                    found = static_cast<xcb_keycode_t>(first + i);
                    break;
                }
            }
        }
        std::free(reply);
        return found;
    }

    void ungrab() {
        if (m_keycode == 0)
            return;
        for (const uint16_t extra : LockVariants)
            xcb_ungrab_key(m_connection, m_keycode, m_root, m_modifiers | extra);
        xcb_flush(m_connection);
        m_keycode = 0;
        m_modifiers = 0;
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    xcb_keycode_t m_keycode = 0;
    uint16_t m_modifiers = 0;
};

#endif

#ifdef QB_HAVE_DBUS

const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString ShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString ShortcutId = QStringLiteral("quick-note");

} // namespace

// One shortcut as the portal takes it: (sa{sv}).
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(PortalShortcut)

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

namespace {

// The shortcut through the desktop's global-shortcuts portal: a session, the shortcut bound
// in it (the desktop asks the user for the keys, `preferred_trigger` is a proposal), and its
// Activated signal.
class PortalGlobalShortcut : public GlobalShortcut {
    Q_OBJECT
public:
    explicit PortalGlobalShortcut(QObject* parent = nullptr)
        : GlobalShortcut(parent) {
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<QList<PortalShortcut>>();
    }

    static bool offered() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected() || bus.interface() == nullptr ||
            !bus.interface()->isServiceRegistered(PortalService).value())
            return false;
        QDBusMessage get = QDBusMessage::createMethodCall(
            PortalService, PortalPath, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"));
        get << ShortcutsInterface << QStringLiteral("version");
        const QDBusMessage reply = bus.call(get, QDBus::Block, 3000);
        return reply.type() == QDBusMessage::ReplyMessage;
    }

    Status setShortcut(const QKeySequence& keys) override {
        m_keys = keys;
        if (keys.isEmpty()) {
            // A portal session cannot give a key back; its activations are ignored instead.
            setStatus(Status::Off);
            return status();
        }
        if (m_session.isEmpty()) {
            createSession();
        } else {
            bind();
        }
        return status();
    }

private slots:
    void sessionCreated(uint response, const QVariantMap& results) {
        m_session =
            response == 0 ? results.value(QStringLiteral("session_handle")).toString() : QString();
        if (m_session.isEmpty()) {
            setStatus(Status::NotOffered);
            return;
        }
        QDBusConnection::sessionBus().connect(
            PortalService, PortalPath, ShortcutsInterface, QStringLiteral("Activated"), this,
            SLOT(portalActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
        if (!m_keys.isEmpty())
            bind();
    }

    void shortcutsBound(uint response, const QVariantMap&) {
        setStatus(response == 0 ? Status::Registered : Status::Taken);
    }

    void portalActivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                         const QVariantMap&) {
        if (session.path() == m_session && id == ShortcutId && !m_keys.isEmpty())
            emit activated();
    }

private:
    // The object a request's answer comes from; listened to before the request is made, so a
    // quick answer is not missed.
    QString requestPath(const QString& token) const {
        QString sender = QDBusConnection::sessionBus().baseService().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        return PortalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    }

    QString nextToken() { return QStringLiteral("quillaboard%1").arg(++m_requests); }

    void createSession() {
        setStatus(Status::Pending);
        const QString token = nextToken();
        QDBusConnection::sessionBus().connect(PortalService, requestPath(token), RequestInterface,
                                              QStringLiteral("Response"), this,
                                              SLOT(sessionCreated(uint, QVariantMap)));
        QDBusMessage call = QDBusMessage::createMethodCall(
            PortalService, PortalPath, ShortcutsInterface, QStringLiteral("CreateSession"));
        QVariantMap options;
        options.insert(QStringLiteral("handle_token"), token);
        options.insert(QStringLiteral("session_handle_token"), QStringLiteral("quillaboard"));
        call << options;
        QDBusConnection::sessionBus().asyncCall(call);
    }

    void bind() {
        setStatus(Status::Pending);
        const QString token = nextToken();
        QDBusConnection::sessionBus().connect(PortalService, requestPath(token), RequestInterface,
                                              QStringLiteral("Response"), this,
                                              SLOT(shortcutsBound(uint, QVariantMap)));
        PortalShortcut shortcut;
        shortcut.id = ShortcutId;
        shortcut.properties.insert(QStringLiteral("description"), QStringLiteral("New note"));
        shortcut.properties.insert(QStringLiteral("preferred_trigger"), trigger());
        QDBusMessage call = QDBusMessage::createMethodCall(
            PortalService, PortalPath, ShortcutsInterface, QStringLiteral("BindShortcuts"));
        QVariantMap options;
        options.insert(QStringLiteral("handle_token"), token);
        call << QVariant::fromValue(QDBusObjectPath(m_session))
             << QVariant::fromValue(QList<PortalShortcut>{shortcut}) << QString() << options;
        QDBusConnection::sessionBus().asyncCall(call);
    }

    // The portal's key names: "CTRL+ALT+n".
    QString trigger() const {
        const QKeyCombination combination = m_keys[0];
        QStringList parts;
        const Qt::KeyboardModifiers mods = combination.keyboardModifiers();
        if (mods & Qt::ControlModifier)
            parts << QStringLiteral("CTRL");
        if (mods & Qt::AltModifier)
            parts << QStringLiteral("ALT");
        if (mods & Qt::ShiftModifier)
            parts << QStringLiteral("SHIFT");
        if (mods & Qt::MetaModifier)
            parts << QStringLiteral("LOGO");
        parts << QKeySequence(combination.key()).toString(QKeySequence::PortableText).toLower();
        return parts.join(QLatin1Char('+'));
    }

    QKeySequence m_keys;
    QString m_session;
    int m_requests = 0;
};

#endif

} // namespace

namespace globalshortcut {

std::unique_ptr<GlobalShortcut> forThisDesktop() {
    const QString platform = QGuiApplication::platformName();
#ifdef QB_HAVE_XCB
    if (platform == QLatin1String("xcb")) {
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        xcb_connection_t* c = x11 != nullptr ? x11->connection() : nullptr;
        const xcb_screen_t* screen =
            c != nullptr ? xcb_setup_roots_iterator(xcb_get_setup(c)).data : nullptr;
        if (screen != nullptr)
            return std::make_unique<X11GlobalShortcut>(c, screen->root);
    }
#endif
#ifdef QB_HAVE_DBUS
    if (platform.startsWith(QLatin1String("wayland")) && PortalGlobalShortcut::offered())
        return std::make_unique<PortalGlobalShortcut>();
#endif
    return std::make_unique<NoGlobalShortcut>();
}

} // namespace globalshortcut

#ifdef QB_HAVE_DBUS
#include "globalshortcut.moc"
#endif
