#pragma once

#include <QPointer>
#include <QWidget>

class QPushButton;
class QVBoxLayout;

namespace orvel {

class ExplanationCard;
class InspectorModel;

/// The lower part of the window: the chain, its risks and its explanation, the scan's findings, the
/// recent decodings or a hint, whichever the model's mode and state call for.
class ResultArea : public QWidget {
    Q_OBJECT

public:
    /// Findings are shown this many at a time: a scan of a large log can find thousands, and
    /// building all their cards at once would hold the window for seconds.
    static constexpr int findingsPageSize = 20;

    /// The result area of `model`, rebuilt whenever the model changes.
    explicit ResultArea(InspectorModel& model, QWidget* parent = nullptr);

private:
    /// Rebuilds on the next turn of the event loop, once however often the model changed before.
    void scheduleRebuild();
    /// Replaces the content with what the model's mode and state call for.
    void rebuild();
    /// Rebuilds when the recents list (or the hint that stands for it) is showing.
    void rebuildRecents();
    /// Replaces the explanation card, when one is showing.
    void rebuildExplanation();
    /// Adds the next page of finding cards; the button stays while any remain.
    void showMoreFindings();
    /// The recents list or the hint, for a model without a chain or findings.
    QWidget* hint() const;

    InspectorModel& m_model;
    QVBoxLayout* m_layout;
    QPointer<QWidget> m_content;
    QPointer<ExplanationCard> m_explanation;
    QPointer<QVBoxLayout> m_findings;
    QPointer<QPushButton> m_showMore;
    std::size_t m_shownFindings = 0;
    bool m_rebuildScheduled = false;
};

} // namespace orvel
