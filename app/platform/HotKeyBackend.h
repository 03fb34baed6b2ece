#pragma once

#include <cstdint>
#include <functional>

namespace orvel {

/// A platform's service for system-wide keyboard shortcuts, reduced to the two calls the
/// hot-key manager makes. Tests drive the manager through a fake.
class HotKeyBackend {
public:
    /// Receives the identifier (signature, id) of each press of a registered hot key.
    using Handler = std::function<void(std::uint32_t signature, std::uint32_t id)>;

    virtual ~HotKeyBackend() = default;

    /// Starts delivering presses to `handler` on the main thread, replacing an earlier handler;
    /// returns whether the platform accepted it.
    virtual bool installHandler(Handler handler) = 0;
    /// Claims Ctrl+Alt+Super+V for the whole session under the identifier (signature, id);
    /// returns whether the platform granted it.
    virtual bool registerHotKey(std::uint32_t signature, std::uint32_t id) = 0;
};

} // namespace orvel
