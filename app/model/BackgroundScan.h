#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "orvel/ScanFinding.h"

namespace orvel {

/// One scan of a large text on its own thread, so that the window keeps answering while a big
/// paste is searched. Its findings are exactly those of a scan on the calling thread.
/// Destroying it stops the scan and waits for the worker.
class BackgroundScan {
public:
    /// Starts scanning `text`; `onFinished` is called on the worker thread once the findings can
    /// be taken (also after a stop), and must not destroy the scan.
    BackgroundScan(std::shared_ptr<const std::string> text, std::function<void()> onFinished);

    /// Whether the scan ran to the end (it was not stopped).
    bool isComplete() const { return m_complete; }
    /// The findings, in text order; call once, after onFinished.
    std::vector<ScanFinding> take() { return std::move(m_findings); }

private:
    std::shared_ptr<const std::string> m_text;
    std::vector<ScanFinding> m_findings;
    bool m_complete = false;
    // Declared last: stopped and joined before the text and findings it writes go away.
    std::jthread m_worker;
};

} // namespace orvel
