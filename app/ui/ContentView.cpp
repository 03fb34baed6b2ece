#include "ui/ContentView.h"

#include <QFrame>
#include <QScrollArea>
#include <QVBoxLayout>

#include "model/InspectorModel.h"
#include "platform/HotKeyManager.h"
#include "ui/InputArea.h"
#include "ui/ResultArea.h"

namespace orvel {

ContentView::ContentView(InspectorModel& model, std::function<void()> onHotKey, QWidget* parent)
    : QWidget(parent), m_model(model), m_onHotKey(std::move(onHotKey)), m_inputArea(new InputArea(model)) {
    setObjectName(QStringLiteral("contentView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_inputArea);
    auto* divider = new QFrame;
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setStyleSheet(QStringLiteral("color: palette(mid);"));
    layout->addWidget(divider);
    auto* scroll = new QScrollArea;
    scroll->setObjectName(QStringLiteral("resultScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(new ResultArea(model));
    layout->addWidget(scroll, 1);
}

void ContentView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_model.setHistoryLimit(50);
    m_model.reevaluateExplanation();
    if (HotKeyManager::registrationSkipped()) return;
    HotKeyManager& hotKey = HotKeyManager::shared();
    if (hotKey.registerHotKey(m_onHotKey)) m_inputArea->showHotKey(hotKey.displayChord());
}

} // namespace orvel
