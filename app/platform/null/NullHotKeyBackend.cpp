#include "platform/null/NullHotKeyBackend.h"

namespace orvel {

bool NullHotKeyBackend::installHandler(Handler) { return true; }

bool NullHotKeyBackend::registerHotKey(std::uint32_t, std::uint32_t) { return false; }

} // namespace orvel
