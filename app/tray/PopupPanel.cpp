#include "tray/PopupPanel.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

#include "model/InspectorModel.h"
#include "orvel/Unicode.h"
#include "tray/ClampedText.h"
#include "ui/Card.h"
#include "ui/RiskCard.h"
#include "ui/Style.h"

namespace orvel {

namespace {

const QKeySequence inspectShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_V);

// Clicks on the tray icon that closed the panel arrive this soon after it hid.
constexpr qint64 closingClickMilliseconds = 300;
// Between the anchor (usually the middle of the tray icon) and the panel's nearer edge.
constexpr int anchorGap = 16;

// The panel's outline, firmer than a card's: it stands on whatever is behind it.
QColor outline(const QPalette& palette) { return Style::withOpacity(palette.color(QPalette::WindowText), 0.25); }

} // namespace

PopupPanel::PopupPanel(InspectorModel& model, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint), m_model(model) {
    setObjectName("trayPopup");
    setWindowTitle(QStringLiteral("Orvel popup"));
    // Closing the panel never ends the application, even when no other window is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedWidth(panelWidth);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 8);
    layout->setSpacing(10);
    layout->addWidget(makeHeader());
    layout->addWidget(makeInspectButton());
    layout->addWidget(makePreview());
    layout->addWidget(makeFooter());

    connect(&m_model, &InspectorModel::resultsChanged, this, &PopupPanel::showResults);
    showResults();
}

void PopupPanel::showNear(QPoint anchor) {
    m_anchor = anchor;
    place();
    show();
    raise();
    activateWindow();
}

bool PopupPanel::closedJustNow() const {
    return m_sinceHidden.isValid() && m_sinceHidden.elapsed() < closingClickMilliseconds;
}

void PopupPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setPen(outline(palette()));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void PopupPanel::hideEvent(QHideEvent* event) {
    m_sinceHidden.start();
    QWidget::hideEvent(event);
}

QWidget* PopupPanel::makeHeader() {
    auto* title = Style::label("Orvel", Style::font(Style::TextStyle::headline), palette().color(QPalette::WindowText));
    auto* local = Style::label("🔒 on-device", Style::font(Style::TextStyle::caption), Style::tertiary(palette()));
    local->setObjectName("onDeviceLabel");

    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    row->addWidget(Style::symbolLabel("wand.and.stars", 18, Style::purple()));
    row->addWidget(title);
    row->addStretch();
    row->addWidget(local);
    return header;
}

QPushButton* PopupPanel::makeInspectButton() {
    auto* button = new QPushButton("Inspect Clipboard");
    button->setObjectName("inspectClipboardButton");
    button->setIcon(Style::symbol("doc.on.clipboard", 16, Qt::white, devicePixelRatioF()));
    button->setFont(Style::semibold(Style::font(Style::TextStyle::headline)));
    button->setCursor(Qt::PointingHandCursor);
    button->setMinimumHeight(38);
    const auto colour = Style::purple();
    button->setStyleSheet(QString("QPushButton { background: %1; color: white; border: none; border-radius: 7px;"
                                  " text-align: left; padding: 0 12px; }"
                                  "QPushButton:hover { background: %2; }"
                                  "QPushButton:pressed { background: %3; }")
                              .arg(colour.name(), colour.lighter(110).name(), colour.darker(115).name()));

    // The shortcut sits at the button's right end, where menus show theirs.
    auto* shortcutLabel = Style::label(inspectShortcut.toString(QKeySequence::NativeText),
                                       Style::font(Style::TextStyle::caption2), Style::withOpacity(Qt::white, 0.7));
    shortcutLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* row = new QHBoxLayout(button);
    row->setContentsMargins(0, 0, 12, 0);
    row->addStretch();
    row->addWidget(shortcutLabel);

    const auto load = [this] { m_model.loadClipboard(); };
    connect(button, &QPushButton::clicked, this, load);
    new QShortcut(inspectShortcut, this, load, Qt::WindowShortcut);
    return button;
}

QWidget* PopupPanel::makePreview() {
    const auto fixed = Style::monospaced(Style::TextStyle::caption);
    m_hint = Style::label({}, Style::font(Style::TextStyle::caption), Style::secondary(palette()));
    m_hint->setObjectName("previewHint");
    m_hint->setWordWrap(true);
    m_shape = Style::label({}, fixed, Style::purple());
    m_shape->setObjectName("previewShape");
    m_shape->setWordWrap(true);
    m_value = new ClampedText(previewLines);
    m_value->setObjectName("previewValue");
    m_value->setFont(fixed);
    m_risks = Style::label({}, Style::font(Style::TextStyle::caption), Style::secondary(palette()));
    m_risks->setObjectName("previewRisks");

    m_card = new Card(palette().color(QPalette::Base), Style::quaternary(palette()));
    m_card->setObjectName("previewCard");
    auto* preview = new QVBoxLayout(m_card);
    preview->setContentsMargins(10, 8, 10, 8);
    preview->setSpacing(4);
    preview->addWidget(m_hint);
    preview->addWidget(m_shape);
    preview->addWidget(m_value);
    preview->addWidget(m_risks);
    return m_card;
}

QWidget* PopupPanel::makeFooter() {
    auto* divider = new QWidget;
    divider->setFixedHeight(1);
    divider->setAutoFillBackground(true);
    auto palette = divider->palette();
    palette.setColor(QPalette::Window, Style::quaternary(palette));
    divider->setPalette(palette);

    auto* open = new QPushButton("Open Orvel");
    open->setObjectName("openOrvelButton");
    connect(open, &QPushButton::clicked, this, [this] {
        hide();
        emit openMainWindowRequested();
    });
    auto* quit = new QPushButton("Quit");
    quit->setObjectName("quitButton");
    connect(quit, &QPushButton::clicked, qApp, &QCoreApplication::quit);

    auto* footer = new QWidget;
    footer->setStyleSheet("QPushButton { border: none; border-radius: 5px; padding: 4px 8px; background: transparent; }"
                          "QPushButton:hover { background: rgba(128, 128, 128, 45); }"
                          "QPushButton:pressed { background: rgba(128, 128, 128, 80); }");
    auto* column = new QVBoxLayout(footer);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(divider);
    auto* row = new QHBoxLayout;
    row->addWidget(open);
    row->addStretch();
    row->addWidget(quit);
    column->addLayout(row);
    return footer;
}

void PopupPanel::showResults() {
    const auto& chain = m_model.chain();
    const bool recognised = chain && chain->isRecognized();
    m_hint->setText(chain ? "Not recognized — open Orvel for scan mode or more context."
                          : "Copy a token / payload / error, then Inspect Clipboard.");
    m_hint->setVisible(!recognised);
    m_shape->setVisible(recognised);
    m_value->setVisible(recognised);
    if (recognised) {
        m_shape->setText(QString::fromStdString(chain->shapeText()));
        m_value->setText(QString::fromStdString(Unicode::truncated(chain->finalValue(), previewCharacters)));
    }
    // The details are one click away in the main window; the panel only says there are some.
    const auto& risks = m_model.risks();
    m_risks->setVisible(!risks.empty());
    if (!risks.empty()) {
        const std::string_view highest = severityName(risks.front().severity);
        m_risks->setText(QString("⚠ %1 risk%2 · highest: %3")
                             .arg(risks.size())
                             .arg(risks.size() == 1 ? "" : "s")
                             .arg(QString::fromUtf8(highest.data(), static_cast<qsizetype>(highest.size()))));
        Style::setTextColour(m_risks, RiskCard::colour(risks.front().severity, palette()));
    }
    // The card's own layout learns of the change only later, through a posted event; its
    // height is needed now.
    m_card->updateGeometry();
    if (isVisible()) place();
}

void PopupPanel::place() {
    // The text wraps, so the height follows from the fixed width, not from the size hint.
    resize(panelWidth, layout()->totalHeightForWidth(panelWidth));
    const auto* screen = QGuiApplication::screenAt(m_anchor);
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    const auto area = screen->availableGeometry();
    // Open away from the screen edge the anchor is nearer to, as a panel's menus do.
    const int top = m_anchor.y() < area.center().y() ? m_anchor.y() + anchorGap : m_anchor.y() - anchorGap - height();
    move(qBound(area.left(), m_anchor.x() - width() / 2, area.right() + 1 - width()),
         qBound(area.top(), top, area.bottom() + 1 - height()));
}

} // namespace orvel
