#include "model/InspectorModel.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QSettings>

#include <cmath>
#include <cstdint>
#include <utility>

#include "model/BackgroundScan.h"
#include "model/HistoryStore.h"
#include "model/Samples.h"
#include "orvel/Clock.h"
#include "orvel/ExplanationTask.h"
#include "orvel/HistoryEntry.h"
#include "orvel/Orvel.h"
#include "orvel/Unicode.h"
#include "text/Text.h"

namespace orvel {

QString InspectorModel::rawValue(Mode mode) {
    return mode == Mode::inspect ? QStringLiteral("Inspect") : QStringLiteral("Scan");
}

InspectorModel::InspectorModel(QSettings& defaults, const QStringList& arguments,
                               std::shared_ptr<const LanguageModel> languageModel, QObject* parent)
    : QObject(parent), m_defaults(defaults),
      m_store(std::make_unique<HistoryStore>(m_defaults.fileName(), m_defaults.format(), QString(historyKey))),
      m_languageModel(std::move(languageModel)),
      m_history(InspectionHistory::decoded(m_defaults.value(historyKey).toByteArray().toStdString(), historyCapacity)) {
    applyLaunchArguments(arguments);
}

// Out of line, where ExplanationTask and BackgroundScan are complete types.
InspectorModel::~InspectorModel() = default;

void InspectorModel::applyLaunchArguments(const QStringList& arguments) {
    if (arguments.contains(QStringLiteral("--seed-history"))) seedDemoHistory();
    if (arguments.contains(QStringLiteral("--scan"))) setMode(Mode::scan);
    if (arguments.contains(QStringLiteral("--autoload-sample"))) loadSample();
    if (arguments.contains(QStringLiteral("--inspect-clipboard"))) loadClipboard();
}

void InspectorModel::setHistoryLimit(int limit) {
    m_historyLimit = limit;
    emit historyLimitChanged();
}

void InspectorModel::setInput(std::string text) {
    m_input =
        std::make_shared<const std::string>(Unicode::isValidUTF8(text) ? std::move(text) : Unicode::toValidUTF8(text));
    recompute();
}

void InspectorModel::setMode(Mode mode) {
    m_mode = mode;
    recompute();
}

void InspectorModel::loadClipboard() {
    setMode(Mode::inspect);
    // text() is empty when the clipboard holds no text (nothing, or an image alone).
    setInput(QGuiApplication::clipboard()->text().toStdString());
}

void InspectorModel::loadSample() {
    setInput(std::string(m_mode == Mode::scan ? Samples::sampleLog : Samples::sampleToken));
}

void InspectorModel::reevaluateExplanation() {
    if (m_chain) startExplanation(*m_chain);
}

void InspectorModel::persistHistory() { m_store->save(m_history); }

void InspectorModel::flushHistory() { m_store->flush(); }

void InspectorModel::clearHistory() {
    m_history.clear();
    persistHistory();
    emit historyChanged();
}

void InspectorModel::recompute() {
    cancelBackgroundWork();
    m_chain.reset();
    m_risks.clear();
    // A large scan's findings take tens of milliseconds to free: a worker frees them.
    if (m_findings.size() > findingsFreedInBackground)
        m_discarded = std::jthread([findings = std::move(m_findings)] {});
    m_findings.clear();
    if (Text::trimmed(*m_input).empty()) {
        setExplanation({});
    } else if (m_mode == Mode::scan) {
        setExplanation({});
        if (m_input->size() > backgroundScanThreshold) {
            m_scanTicket = ++m_lastTicket;
            m_scan = std::make_unique<BackgroundScan>(m_input, [this, ticket = m_scanTicket] {
                QMetaObject::invokeMethod(
                    this, [this, ticket] { finishScan(ticket); }, Qt::QueuedConnection);
            });
        } else {
            m_findings = scan(*m_input);
        }
    } else {
        m_chain = inspect(*m_input);
        m_risks = assessText(*m_chain, currentRiskContext()).risks;
        startExplanation(*m_chain);
        if (m_chain->isRecognized()) record(*m_chain);
    }
    emit resultsChanged();
}

// Background work reports through queued calls on this object: Qt drops them if the model is
// gone, and the workers are joined before it goes.
void InspectorModel::cancelBackgroundWork() {
    m_explainTask.reset();
    m_scan.reset();
}

void InspectorModel::finishScan(std::uint64_t ticket) {
    if (!m_scan || ticket != m_scanTicket || !m_scan->isComplete()) return;
    m_findings = m_scan->take();
    m_scan.reset();
    emit resultsChanged();
}

void InspectorModel::startExplanation(const DecodeChain& chain) {
    if (!chain.isRecognized()) {
        setExplanation({});
        return;
    }
    setExplanation({.state = Explanation::State::loading, .text = {}, .source = {}});
    m_explainedChain = chain;
    m_explainTicket = ++m_lastTicket;
    // The task decides its source as it starts: the label stays even if the model falls back.
    m_explainTask = std::make_unique<ExplanationTask>(
        chain,
        [this, ticket = m_explainTicket] {
            QMetaObject::invokeMethod(
                this, [this, ticket] { finishExplanation(ticket); }, Qt::QueuedConnection);
        },
        m_languageModel);
}

void InspectorModel::finishExplanation(std::uint64_t ticket) {
    if (!m_explainTask || ticket != m_explainTicket || m_explainTask->isCancelled()) return;
    if (!m_chain || *m_chain != m_explainedChain) return;
    auto text = m_explainTask->take();
    if (!text) return;
    setExplanation({.state = Explanation::State::ready, .text = std::move(*text), .source = m_explainTask->source()});
}

void InspectorModel::setExplanation(Explanation explanation) {
    m_explanation = std::move(explanation);
    emit explanationChanged();
}

void InspectorModel::record(const DecodeChain& chain) {
    const auto seconds = static_cast<std::int64_t>(std::trunc(Clock::now()));
    m_history.record(HistoryEntry(*m_input, chain, seconds));
    persistHistory();
    emit historyChanged();
}

void InspectorModel::seedDemoHistory() {
    const std::pair<std::string_view, std::int64_t> demos[] = {
        {Samples::seededToken, 1733000000},
        {"%257B%2522user%2522%253A%2522bob%2522%257D", 1733000001},
        {"1733556842", 1733000002},
    };
    for (const auto& [text, timestamp] : demos)
        m_history.record(HistoryEntry(std::string(text), inspect(text), timestamp));
    // Not persisted: the history is written at the next recorded decoding or clear.
    emit historyChanged();
}

} // namespace orvel
