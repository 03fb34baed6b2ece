#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "platform/HotKeyBackend.h"

namespace orvel {

/// The global shortcut Ctrl+Alt+Super+V: registers it with the platform once and runs the most
/// recently stored action, from the event loop, each time it is pressed.
class HotKeyManager final {
public:
    /// The id under which the shortcut is registered; presses of any other id run nothing.
    static constexpr std::uint32_t hotKeyId = 1;

    /// The application's one manager, created on first use (after the application object) with
    /// the backend of the running Qt platform, and never destroyed.
    static HotKeyManager& shared();
    /// Whether views should not register at all: in design-time previews and on the offscreen
    /// platform the tests run on.
    static bool registrationSkipped();

    /// A manager driving `backend`.
    explicit HotKeyManager(std::unique_ptr<HotKeyBackend> backend);

    /// Stores `onFire` (replacing an earlier action), registers the shortcut unless already
    /// registered, and returns whether it is registered.
    bool registerHotKey(std::function<void()> onFire);
    /// Whether a registration has succeeded.
    bool isRegistered() const;
    /// The shortcut as shown to users, in the platform's own words.
    QString displayChord() const;

private:
    /// Posts the stored action for a press of the shortcut; the platform's dispatch returns first.
    void handlePress(std::uint32_t id);

    std::unique_ptr<HotKeyBackend> m_backend;
    std::function<void()> m_onFire;
    bool m_isRegistered = false;
    // Posted actions are queued against this object, so a destroyed manager drops them.
    QObject m_context;
};

/// The first four bytes of `text` (UTF-8) folded big-endian into one number; "" gives 0.
std::uint32_t fourCharCode(std::string_view text);

} // namespace orvel
