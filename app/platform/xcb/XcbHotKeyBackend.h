#pragma once

#include <QAbstractNativeEventFilter>

#include <xcb/xcb.h>

#include "platform/HotKeyBackend.h"

namespace orvel {

/// The X11 backend: grabs the chord on the root window through Qt's own X connection and picks
/// the presses out of the application's native events. Grabs last as long as the connection;
/// the server releases them when the application exits.
class XcbHotKeyBackend final : public HotKeyBackend, private QAbstractNativeEventFilter {
public:
    /// A backend on the application's X connection; needs the "xcb" Qt platform.
    XcbHotKeyBackend();

    /// Stores `handler` and starts watching the application's X events.
    bool installHandler(Handler handler) override;
    /// Grabs the chord with every NumLock and CapsLock state; fails, holding nothing, when
    /// another client already holds it.
    bool registerHotKey(std::uint32_t signature, std::uint32_t id) override;

private:
    /// Passes a press of the grabbed chord to the handler and keeps it from the application.
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    xcb_keycode_t m_keycode = 0;
    Handler m_handler;
    bool m_watching = false;
    std::uint32_t m_signature = 0;
    std::uint32_t m_id = 0;
};

} // namespace orvel
