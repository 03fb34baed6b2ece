#pragma once

#include <QObject>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "orvel/DecodeChain.h"
#include "orvel/ExplainerSource.h"
#include "orvel/InspectionHistory.h"
#include "orvel/LanguageModel.h"
#include "orvel/Risk.h"
#include "orvel/ScanFinding.h"

class QSettings;

namespace orvel {

class ExplanationTask;
class BackgroundScan;
class HistoryStore;

/// The application's one view model: the text being decoded, the mode, the engine's or the
/// scanner's results, the explanation and the recent history. Lives on the main thread; every
/// assignment of the input or the mode recomputes at once.
class InspectorModel final : public QObject {
    Q_OBJECT

public:
    enum class Mode { inspect, scan };
    /// The modes in the order the picker lists them.
    static constexpr std::array<Mode, 2> allModes{Mode::inspect, Mode::scan};
    /// "Inspect" or "Scan", the picker's labels.
    static QString rawValue(Mode mode);

    /// None, loading, or ready with a text and the source decided when it started.
    struct Explanation {
        enum class State { none, loading, ready };
        State state = State::none;
        std::string text;
        ExplainerSource source = ExplainerSource::deterministic;

        friend bool operator==(const Explanation&, const Explanation&) = default;
    };

    /// Where the history is kept between launches.
    static constexpr const char* historyKey = "orvel.history.v1";
    /// The history's capacity, whatever the recents list shows.
    static constexpr int historyCapacity = 50;
    /// Inputs above this many bytes are scanned on a worker thread, so the window keeps
    /// answering; smaller ones are scanned at once.
    static constexpr std::size_t backgroundScanThreshold = 256 * 1024;
    /// Replaced findings beyond this many are freed on a worker thread (141,244 took 40–70 ms).
    static constexpr std::size_t findingsFreedInBackground = 10'000;

    /// Reads the history stored in `defaults`, then applies the launch switches in `arguments`.
    /// `languageModel` decides the explanations' source and answers them.
    InspectorModel(QSettings& defaults, const QStringList& arguments,
                   std::shared_ptr<const LanguageModel> languageModel = systemLanguageModel(),
                   QObject* parent = nullptr);
    ~InspectorModel() override;

    int historyLimit() const { return m_historyLimit; }
    void setHistoryLimit(int limit);

    const std::string& input() const { return *m_input; }
    /// Stores `text` (invalid UTF-8 repaired) and recomputes, even when it is unchanged.
    void setInput(std::string text);

    Mode mode() const { return m_mode; }
    /// Stores `mode` and recomputes, even when it is unchanged.
    void setMode(Mode mode);

    const std::optional<DecodeChain>& chain() const { return m_chain; }
    /// What is wrong with the chain and the credentials in the input, most severe first; judged
    /// with each chain, so empty in scan mode and for an empty input.
    const std::vector<Risk>& risks() const { return m_risks; }
    const std::vector<ScanFinding>& findings() const { return m_findings; }
    /// Whether a large scan is still running on its worker thread.
    bool isScanning() const { return m_scan != nullptr; }
    const Explanation& explanation() const { return m_explanation; }
    const InspectionHistory& history() const { return m_history; }

    /// Switches to inspect mode, then decodes the clipboard's text (empty when it holds none).
    void loadClipboard();
    /// Puts the sample for the current mode into the input: a token, or a four-line log.
    void loadSample();
    /// Explains the current chain again, if there is one.
    void reevaluateExplanation();
    /// Writes the history to the preferences store, on a worker thread.
    void persistHistory();
    /// Waits until the history persisted so far is in the preferences store.
    void flushHistory();
    /// Empties the history and persists it (the recents list's "Clear").
    void clearHistory();
    /// Applies the switches "--seed-history", "--scan", "--autoload-sample" and
    /// "--inspect-clipboard", each when present anywhere in `arguments`, in that order.
    void applyLaunchArguments(const QStringList& arguments);

signals:
    /// The input, the mode or the results changed (emitted once per recompute).
    void resultsChanged();
    void explanationChanged();
    void historyChanged();
    void historyLimitChanged();

private:
    void recompute();
    void startExplanation(const DecodeChain& chain);
    void finishExplanation(std::uint64_t ticket);
    void finishScan(std::uint64_t ticket);
    void cancelBackgroundWork();
    void record(const DecodeChain& chain);
    void seedDemoHistory();
    void setExplanation(Explanation explanation);

    QSettings& m_defaults;
    std::unique_ptr<HistoryStore> m_store;
    std::shared_ptr<const LanguageModel> m_languageModel;
    int m_historyLimit = historyCapacity;
    // Shared with a background scan, so that a large paste is never copied for it.
    std::shared_ptr<const std::string> m_input = std::make_shared<const std::string>();
    Mode m_mode = Mode::inspect;
    std::optional<DecodeChain> m_chain;
    std::vector<Risk> m_risks;
    std::vector<ScanFinding> m_findings;
    Explanation m_explanation;
    InspectionHistory m_history;
    // Each piece of background work carries a ticket; a result whose ticket is no longer the
    // current one is stale and dropped.
    std::uint64_t m_lastTicket = 0;
    std::uint64_t m_scanTicket = 0;
    std::uint64_t m_explainTicket = 0;
    DecodeChain m_explainedChain;
    // Declared last, so that their workers are stopped and joined before the fields they
    // report into go away.
    std::unique_ptr<BackgroundScan> m_scan;
    std::unique_ptr<ExplanationTask> m_explainTask;
    std::jthread m_discarded;
};

} // namespace orvel
