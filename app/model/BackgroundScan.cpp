#include "model/BackgroundScan.h"

#include <utility>

#include "orvel/Orvel.h"

namespace orvel {

BackgroundScan::BackgroundScan(std::shared_ptr<const std::string> text, std::function<void()> onFinished)
    : m_text(std::move(text)) {
    m_worker = std::jthread([this, onFinished = std::move(onFinished)](std::stop_token stop) {
        const auto summary = scan(
            *m_text,
            [this](ScanFinding finding) {
                m_findings.push_back(std::move(finding));
                return Scanner::Next::keepGoing;
            },
            ScanOptions{.stop = std::move(stop)});
        m_complete = !summary.stopped;
        onFinished();
    });
}

} // namespace orvel
