#include "platform/xcb/XcbHotKeyBackend.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <X11/keysym.h>
#include <xcb/xcb_keysyms.h>

#include <array>
#include <cstdlib>

namespace orvel {

namespace {

// Control, Alt and Super on the usual X modifier map.
constexpr std::uint16_t chordModifiers = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
// NumLock (on the usual map) and CapsLock change the state a press reports, but not what the
// user means: each of their combinations needs its own grab.
constexpr std::uint16_t lockModifiers = XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK;
constexpr std::array<std::uint16_t, 4> lockCombinations{0, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK, lockModifiers};
// The state bits that come from modifier keys; the rest are mouse buttons.
constexpr std::uint16_t keyModifiers = 0xff;

xcb_keycode_t keycodeOfV(xcb_connection_t* connection) {
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection);
    if (symbols == nullptr) return 0;
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, XK_v);
    const xcb_keycode_t keycode = codes != nullptr ? codes[0] : 0;
    std::free(codes);
    xcb_key_symbols_free(symbols);
    return keycode;
}

} // namespace

XcbHotKeyBackend::XcbHotKeyBackend() {
    const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr) return;
    m_connection = x11->connection();
    // The first X screen: RandR shows all monitors as one screen, so a display rarely has more.
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
}

bool XcbHotKeyBackend::installHandler(Handler handler) {
    if (m_connection == nullptr) return false;
    m_handler = std::move(handler);
    if (!m_watching) qApp->installNativeEventFilter(this);
    m_watching = true;
    return true;
}

bool XcbHotKeyBackend::registerHotKey(std::uint32_t signature, std::uint32_t id) {
    if (m_connection == nullptr) return false;
    const xcb_keycode_t keycode = keycodeOfV(m_connection);
    if (keycode == 0) return false;
    std::array<xcb_void_cookie_t, lockCombinations.size()> cookies{};
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        cookies[i] = xcb_grab_key_checked(m_connection, 0, m_root, chordModifiers | lockCombinations[i], keycode,
                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    }
    bool granted = true;
    for (const auto cookie : cookies) {
        // BadAccess: another client holds this combination.
        xcb_generic_error_t* error = xcb_request_check(m_connection, cookie);
        granted = granted && error == nullptr;
        std::free(error);
    }
    if (!granted) {
        for (const auto locks : lockCombinations) {
            xcb_ungrab_key(m_connection, keycode, m_root, chordModifiers | locks);
        }
        xcb_flush(m_connection);
        return false;
    }
    m_keycode = keycode;
    m_signature = signature;
    m_id = id;
    return true;
}

bool XcbHotKeyBackend::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || !m_handler || m_keycode == 0) return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & ~0x80) != XCB_KEY_PRESS) return false;
    const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
    const bool isChord = press->event == m_root && press->detail == m_keycode &&
                         (press->state & keyModifiers & ~lockModifiers) == chordModifiers;
    if (!isChord) return false;
    m_handler(m_signature, m_id);
    return true;
}

} // namespace orvel
