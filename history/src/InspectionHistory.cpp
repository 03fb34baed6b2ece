#include "orvel/InspectionHistory.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>

#include "orvel/Unicode.h"
#include "text/JSON.h"
#include "text/Text.h"

namespace orvel {
namespace {

// Timestamps were written as integers, but a JSON reader may have turned one into a double
// (1.7e9 or 1733000000.0): an integral double within range still names the same second.
std::optional<std::int64_t> timestampFrom(const JSON::Value& value) {
    if (value.is_number_integer() && value.is_number_unsigned()) {
        const auto unsignedValue = value.get<std::uint64_t>();
        if (unsignedValue > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
        return static_cast<std::int64_t>(unsignedValue);
    }
    if (value.is_number_integer()) return value.get<std::int64_t>();
    if (value.is_number_float()) {
        const double number = value.get<double>();
        // 2^63 is exactly representable, so the upper test is strict.
        if (!std::isfinite(number) || std::trunc(number) != number || number < -0x1p63 || number >= 0x1p63)
            return std::nullopt;
        return static_cast<std::int64_t>(number);
    }
    return std::nullopt;
}

std::optional<HistoryEntry> entryFrom(const JSON::Value& object) {
    if (!object.is_object()) return std::nullopt;
    const auto input = object.find("input");
    const auto recognized = object.find("recognized");
    const auto shape = object.find("shape");
    const auto timestamp = object.find("timestamp");
    if (input == object.end() || !input->is_string()) return std::nullopt;
    if (recognized == object.end() || !recognized->is_boolean()) return std::nullopt;
    if (shape == object.end() || !shape->is_array()) return std::nullopt;
    if (timestamp == object.end()) return std::nullopt;
    const std::optional<std::int64_t> seconds = timestampFrom(*timestamp);
    if (!seconds) return std::nullopt;
    std::vector<std::string> kinds;
    kinds.reserve(shape->size());
    for (const JSON::Value& kind : *shape) {
        if (!kind.is_string()) return std::nullopt;
        kinds.push_back(kind.get<std::string>());
    }
    return HistoryEntry(input->get<std::string>(), std::move(kinds), recognized->get<bool>(), *seconds);
}

} // namespace

InspectionHistory::InspectionHistory(std::vector<HistoryEntry> entries, int maxCount)
    : m_entries(std::move(entries)), m_maxCount(std::max(maxCount, 1)) {
    dropBeyondCapacity();
    m_inputHashes.reserve(m_entries.size());
    for (const HistoryEntry& entry : m_entries) m_inputHashes.push_back(Unicode::canonicalHash(entry.input));
}

InspectionHistory InspectionHistory::decoded(std::string_view data, int maxCount) {
    std::vector<HistoryEntry> entries;
    const std::optional<JSON::Value> document = JSON::parse(data);
    if (document && document->is_array()) {
        entries.reserve(document->size());
        for (const JSON::Value& element : *document) {
            std::optional<HistoryEntry> entry = entryFrom(element);
            // One bad entry discards them all: a half-read history would silently reorder or
            // lose entries, and the stored data is ours, so damage means none of it is trustworthy.
            if (!entry) {
                entries.clear();
                break;
            }
            entries.push_back(std::move(*entry));
        }
    }
    return InspectionHistory(std::move(entries), maxCount);
}

void InspectionHistory::record(HistoryEntry entry) {
    if (Text::trimmed(entry.input).empty()) return;
    const std::size_t hash = Unicode::canonicalHash(entry.input);
    for (std::size_t i = m_entries.size(); i-- > 0;) {
        if (m_inputHashes[i] == hash && Unicode::canonicallyEqual(m_entries[i].input, entry.input)) {
            m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(i));
            m_inputHashes.erase(m_inputHashes.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    m_entries.insert(m_entries.begin(), std::move(entry));
    m_inputHashes.insert(m_inputHashes.begin(), hash);
    dropBeyondCapacity();
}

void InspectionHistory::dropBeyondCapacity() {
    const auto capacity = static_cast<std::size_t>(m_maxCount);
    if (m_entries.size() > capacity)
        m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(capacity), m_entries.end());
    if (m_inputHashes.size() > capacity)
        m_inputHashes.erase(m_inputHashes.begin() + static_cast<std::ptrdiff_t>(capacity), m_inputHashes.end());
}

void InspectionHistory::clear() {
    m_entries.clear();
    m_inputHashes.clear();
}

std::string InspectionHistory::encoded() const {
    JSON::Value array = JSON::Value::array();
    for (const HistoryEntry& entry : m_entries) {
        array.push_back({{"input", entry.input},
                         {"recognized", entry.recognized},
                         {"shape", entry.shape},
                         {"timestamp", entry.timestamp}});
    }
    return JSON::write(array, {.pretty = false, .escapeSlashes = true}).value_or("");
}

} // namespace orvel
