#include "ui/InputArea.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "model/InspectorModel.h"
#include "ui/InputEditor.h"
#include "ui/Style.h"

namespace orvel {

namespace {

const QString clipboardTooltip = QStringLiteral("Inspect whatever is on the clipboard");

// The outline of the picker's segments and the editor.
QString border() { return Style::withOpacity(QPalette().color(QPalette::WindowText), 0.2).name(QColor::HexArgb); }

QToolButton* borderlessButton(const QString& objectName, const QString& text) {
    auto* button = new QToolButton;
    button->setObjectName(objectName);
    button->setText(text);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    return button;
}

} // namespace

InputArea::InputArea(InspectorModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_modes(new QButtonGroup(this)),
      m_clipboard(borderlessButton(QStringLiteral("clipboardButton"), QStringLiteral("Clipboard"))),
      m_clear(borderlessButton(QStringLiteral("clearButton"), QStringLiteral("Clear"))), m_editor(new InputEditor),
      m_largeInputNote(Style::label({}, Style::font(Style::TextStyle::caption), Style::secondary(palette()))) {
    setObjectName(QStringLiteral("inputArea"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);

    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    row->addWidget(modePicker());
    row->addStretch();

    m_clipboard->setIcon(Style::symbol(QStringLiteral("doc.on.clipboard"), 16, palette().color(QPalette::ButtonText),
                                       devicePixelRatioF()));
    m_clipboard->setToolTip(clipboardTooltip);
    connect(m_clipboard, &QToolButton::clicked, this, [this] { m_model.loadClipboard(); });
    row->addWidget(m_clipboard);
    auto* sample = borderlessButton(QStringLiteral("sampleButton"), QStringLiteral("Sample"));
    connect(sample, &QToolButton::clicked, this, [this] { m_model.loadSample(); });
    row->addWidget(sample);
    connect(m_clear, &QToolButton::clicked, this, [this] { m_model.setInput({}); });
    row->addWidget(m_clear);
    layout->addLayout(row);

    m_editor->setMinimumHeight(90);
    m_editor->setMaximumHeight(160);
    m_editor->setStyleSheet(QStringLiteral("QPlainTextEdit#inputEditor { border: 1px solid %1; border-radius: 8px;"
                                           " padding: 4px; background: palette(base); }")
                                .arg(border()));
    connect(m_editor, &InputEditor::edited, this, [this] { m_model.setInput(m_editor->takeEditedText()); });
    layout->addWidget(m_editor);
    m_largeInputNote->setObjectName(QStringLiteral("largeInputNote"));
    m_largeInputNote->setWordWrap(true);
    layout->addWidget(m_largeInputNote);

    connect(&m_model, &InspectorModel::resultsChanged, this, &InputArea::refresh);
    refresh();
}

QWidget* InputArea::modePicker() {
    auto* picker = new QWidget;
    picker->setObjectName(QStringLiteral("modePicker"));
    picker->setAccessibleName(QStringLiteral("Mode"));
    picker->setFixedWidth(200);
    auto* segments = new QHBoxLayout(picker);
    segments->setContentsMargins(0, 0, 0, 0);
    segments->setSpacing(0);
    for (std::size_t index = 0; index < InspectorModel::allModes.size(); ++index) {
        const QString title = InspectorModel::rawValue(InspectorModel::allModes[index]);
        auto* segment = new QPushButton(title);
        segment->setObjectName(QStringLiteral("mode") + title);
        segment->setCheckable(true);
        segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        m_modes->addButton(segment, static_cast<int>(index));
        segments->addWidget(segment);
    }
    picker->setStyleSheet(
        QStringLiteral("QPushButton { border: 1px solid %1; padding: 4px 0; background: palette(base); }"
                       "QPushButton:checked { background: palette(highlight); color: palette(highlighted-text);"
                       " border-color: palette(highlight); }"
                       "QPushButton#modeInspect { border-top-left-radius: 6px; border-bottom-left-radius: 6px; }"
                       "QPushButton#modeScan { border-top-right-radius: 6px; border-bottom-right-radius: 6px; }")
            .arg(border()));
    connect(m_modes, &QButtonGroup::idClicked, this,
            [this](int id) { m_model.setMode(InspectorModel::allModes[static_cast<std::size_t>(id)]); });
    return picker;
}

void InputArea::showHotKey(const QString& chord) {
    m_clipboard->setToolTip(clipboardTooltip + QStringLiteral(" (") + chord + u')');
}

void InputArea::refresh() {
    const auto mode = m_model.mode();
    for (QAbstractButton* segment : m_modes->buttons())
        segment->setChecked(InspectorModel::allModes[static_cast<std::size_t>(m_modes->id(segment))] == mode);
    m_editor->setPlaceholderText(mode == InspectorModel::Mode::scan
                                     ? QStringLiteral("Paste a messy log or agent dump — Orvel finds every artifact")
                                     : QStringLiteral("Paste one token / payload / cert / error"));
    m_clear->setEnabled(!m_model.input().empty());
    // After the user's own edits the editor already shows the input and keeps its cursor.
    m_editor->showInput(m_model.input());
    m_largeInputNote->setVisible(m_editor->isShowingPreview());
    if (m_editor->isShowingPreview())
        m_largeInputNote->setText(QStringLiteral("Large input (%1): the editor shows its beginning, read only; the "
                                                 "results cover all of it.")
                                      .arg(QLocale().formattedDataSize(static_cast<qint64>(m_model.input().size()))));
}

} // namespace orvel
