// Fuzzes reading a stored history: whatever the preferences hold, decoding must not crash, must
// respect the capacity, and what it accepts must survive a write and a second read unchanged.
#include <cstdint>
#include <string_view>

#include "Require.h"
#include "orvel/InspectionHistory.h"
#include "orvel/Unicode.h"

using orvel::fuzzing::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const orvel::InspectionHistory history = orvel::InspectionHistory::decoded(bytes, 50);
    require(history.maxCount() == 50 && history.entries().size() <= 50);
    for (const orvel::HistoryEntry& entry : history.entries()) require(orvel::Unicode::isValidUTF8(entry.input));
    require(orvel::InspectionHistory::decoded(history.encoded(), 50) == history);
    return 0;
}
