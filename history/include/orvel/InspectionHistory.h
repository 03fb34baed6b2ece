#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "orvel/HistoryEntry.h"

namespace orvel {

/// The recent inspections, newest first, bounded by a capacity fixed at creation, and their
/// JSON form for the preferences store.
class InspectionHistory {
public:
    /// A history of capacity max(maxCount, 1) holding the first (capacity) of `entries`, in order.
    InspectionHistory(std::vector<HistoryEntry> entries, int maxCount);

    /// The history stored in `data` (what encoded() wrote), with capacity max(maxCount, 1).
    /// Strict: data that is not a JSON array of complete, well-typed entries gives an empty history.
    static InspectionHistory decoded(std::string_view data, int maxCount);

    /// Puts `entry` in front, replacing any entry with a canonically equal input and dropping the
    /// oldest beyond capacity; an input that is blank once trimmed is not recorded.
    void record(HistoryEntry entry);
    /// Removes every entry; the capacity stays.
    void clear();
    /// The entries as a compact JSON array with sorted keys and "/" written as "\/"; empty text
    /// only if the entries cannot be written.
    std::string encoded() const;

    const std::vector<HistoryEntry>& entries() const { return m_entries; }
    int maxCount() const { return m_maxCount; }

    friend bool operator==(const InspectionHistory& a, const InspectionHistory& b) = default;

private:
    void dropBeyondCapacity();

    std::vector<HistoryEntry> m_entries;
    // The canonical hash of each entry's input, in step with m_entries: recording compares a new
    // input with the stored ones by hash first, so it never re-reads every stored input.
    std::vector<std::size_t> m_inputHashes;
    int m_maxCount;
};

} // namespace orvel
