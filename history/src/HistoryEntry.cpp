#include "orvel/HistoryEntry.h"

#include <algorithm>
#include <utility>

#include "orvel/Unicode.h"

namespace orvel {

HistoryEntry::HistoryEntry(std::string input_, std::vector<std::string> shape_, bool recognized_,
                           std::int64_t timestamp_)
    : input(std::move(input_)), shape(std::move(shape_)), recognized(recognized_), timestamp(timestamp_) {}

HistoryEntry::HistoryEntry(std::string input_, const DecodeChain& chain, std::int64_t timestamp_)
    : HistoryEntry(std::move(input_), chain.rawShape(), chain.isRecognized(), timestamp_) {}

std::string HistoryEntry::shapeLabel() const { return recognized ? joinedShape(shape) : "unrecognized"; }

bool operator==(const HistoryEntry& a, const HistoryEntry& b) {
    const auto equalText = [](const std::string& x, const std::string& y) { return Unicode::canonicallyEqual(x, y); };
    return a.recognized == b.recognized && a.timestamp == b.timestamp && equalText(a.input, b.input) &&
           std::equal(a.shape.begin(), a.shape.end(), b.shape.begin(), b.shape.end(), equalText);
}

} // namespace orvel
