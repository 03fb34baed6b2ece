#pragma once

#include "platform/HotKeyBackend.h"

namespace orvel {

/// The backend for platforms without a global shortcut service Qt lets us reach (Wayland among
/// them): the application works on without the shortcut.
class NullHotKeyBackend final : public HotKeyBackend {
public:
    /// Accepts the handler; it is never called.
    bool installHandler(Handler handler) override;
    /// Reports that the shortcut cannot be registered.
    bool registerHotKey(std::uint32_t signature, std::uint32_t id) override;
};

} // namespace orvel
