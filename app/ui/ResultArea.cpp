#include "ui/ResultArea.h"

#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "model/InspectorModel.h"
#include "ui/ChainView.h"
#include "ui/EmptyResultHint.h"
#include "ui/ExplanationCard.h"
#include "ui/FindingCard.h"
#include "ui/RecentsList.h"
#include "ui/RiskCard.h"
#include "ui/Style.h"

namespace orvel {

using Mode = InspectorModel::Mode;

ResultArea::ResultArea(InspectorModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_layout(new QVBoxLayout(this)) {
    setObjectName(QStringLiteral("resultArea"));
    m_layout->setContentsMargins(14, 14, 14, 14);
    connect(&m_model, &InspectorModel::resultsChanged, this, &ResultArea::scheduleRebuild);
    connect(&m_model, &InspectorModel::explanationChanged, this, &ResultArea::rebuildExplanation);
    connect(&m_model, &InspectorModel::historyChanged, this, &ResultArea::rebuildRecents);
    connect(&m_model, &InspectorModel::historyLimitChanged, this, &ResultArea::rebuildRecents);
    rebuild();
}

// The model changes several times in one turn when the clipboard is read (the mode, then the
// input), and a keystroke in a large input costs the model tens of milliseconds: building the
// content once, on the next turn, keeps both from adding up into one long stall.
void ResultArea::scheduleRebuild() {
    if (m_rebuildScheduled) return;
    m_rebuildScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_rebuildScheduled = false;
            rebuild();
        },
        Qt::QueuedConnection);
}

void ResultArea::rebuild() {
    // The old content may hold the button whose press led here: it goes once the press is over.
    if (m_content) {
        m_content->hide();
        m_content->deleteLater();
    }
    m_explanation = nullptr;
    m_findings = nullptr;
    m_showMore = nullptr;
    m_content = new QWidget;
    auto* layout = new QVBoxLayout(m_content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    if (m_model.mode() == Mode::inspect) {
        if (const auto& chain = m_model.chain()) {
            layout->addWidget(new ChainView(*chain));
            // Beside the chain, never inside it: what is wrong comes after what it is.
            if (!m_model.risks().empty()) layout->addWidget(new RiskCard(m_model.risks()));
            m_explanation = new ExplanationCard(m_model.explanation());
            layout->addWidget(m_explanation);
        } else {
            layout->addWidget(hint());
        }
    } else if (m_model.isScanning()) {
        auto* progress = new QProgressBar;
        progress->setObjectName(QStringLiteral("scanProgress"));
        progress->setRange(0, 0);
        progress->setTextVisible(false);
        progress->setFixedWidth(200);
        layout->addSpacing(48);
        layout->addWidget(progress, 0, Qt::AlignHCenter);
    } else if (const auto& findings = m_model.findings(); !findings.empty()) {
        auto* count =
            Style::label(QStringLiteral("Found ") + QString::number(findings.size()) + QStringLiteral(" artifact(s)"),
                         Style::font(Style::TextStyle::headline), palette().color(QPalette::WindowText));
        count->setObjectName(QStringLiteral("foundCount"));
        layout->addWidget(count);
        m_findings = new QVBoxLayout;
        m_findings->setSpacing(12);
        layout->addLayout(m_findings);
        m_showMore = new QPushButton;
        m_showMore->setObjectName(QStringLiteral("showMoreFindings"));
        connect(m_showMore, &QPushButton::clicked, this, &ResultArea::showMoreFindings);
        layout->addWidget(m_showMore, 0, Qt::AlignHCenter);
        m_shownFindings = 0;
        showMoreFindings();
    } else {
        layout->addWidget(hint());
    }
    layout->addStretch();
    m_layout->addWidget(m_content);
}

QWidget* ResultArea::hint() const {
    if (m_model.mode() == Mode::scan)
        return new EmptyResultHint(QStringLiteral("doc.text.magnifyingglass"),
                                   m_model.input().empty()
                                       ? QStringLiteral("Paste a log or dump above to find embedded artifacts.")
                                       : QStringLiteral("No recognizable artifacts found."));
    if (m_model.history().entries().empty())
        return new EmptyResultHint(QStringLiteral("wand.and.stars"),
                                   QStringLiteral("Paste an artifact above to decode it."));
    InspectorModel& model = m_model;
    return new RecentsList(
        m_model.history(), m_model.historyLimit(),
        [&model](const HistoryEntry& entry) {
            model.setMode(Mode::inspect);
            model.setInput(entry.input);
        },
        [&model] { model.clearHistory(); });
}

void ResultArea::rebuildRecents() {
    if (m_model.mode() == Mode::inspect && !m_model.chain()) scheduleRebuild();
}

void ResultArea::rebuildExplanation() {
    // A scheduled rebuild shows the latest explanation anyway.
    if (!m_explanation || m_rebuildScheduled) return;
    auto* card = new ExplanationCard(m_model.explanation());
    delete m_content->layout()->replaceWidget(m_explanation, card);
    // Only the model calls here, never the card itself: it can go at once.
    delete m_explanation;
    m_explanation = card;
}

void ResultArea::showMoreFindings() {
    const auto& findings = m_model.findings();
    const std::size_t end = std::min(findings.size(), m_shownFindings + findingsPageSize);
    for (; m_shownFindings < end; ++m_shownFindings) m_findings->addWidget(new FindingCard(findings[m_shownFindings]));
    const std::size_t remaining = findings.size() - m_shownFindings;
    m_showMore->setVisible(remaining > 0);
    m_showMore->setText(QStringLiteral("Show more (%1 not shown)").arg(QLocale().toString(qulonglong{remaining})));
}

} // namespace orvel
