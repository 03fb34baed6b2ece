#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "AppTest.h"
#include "model/InspectorModel.h"
#include "model/Samples.h"
#include "ui/ConfidenceBadge.h"
#include "ui/ContentView.h"
#include "ui/CopyButton.h"
#include "ui/ExplanationCard.h"
#include "ui/InputEditor.h"
#include "ui/ResultArea.h"
#include "ui/ShapeBar.h"

namespace orvel {

using Mode = InspectorModel::Mode;

class ViewTests : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<InspectorModel> m_model;
    std::unique_ptr<ContentView> m_view;

    // The content over a model whose stored history holds `inputs`, newest first.
    void open(const std::vector<std::string>& inputs = {}) {
        std::vector<HistoryEntry> entries;
        for (const auto& input : inputs) entries.emplace_back(input, std::vector<std::string>{"json"}, true, 5);
        m_settings->setValue(InspectorModel::historyKey,
                             QByteArray::fromStdString(InspectionHistory(entries, 50).encoded()));
        m_settings->sync();
        m_model = std::make_unique<InspectorModel>(*m_settings, QStringList{});
        m_view = std::make_unique<ContentView>(*m_model, [] {});
    }
    // The widgets called `name` that the content shows once the model's changes are drawn
    // (replaced ones are gone).
    template <typename Widget = QWidget>
    QList<Widget*> all(const char* name) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return m_view->findChildren<Widget*>(name);
    }
    // The text of the one label or button called `name`.
    QString text(const char* name) {
        const auto found = all(name);
        if (found.size() != 1) return QStringLiteral("%1 × %2").arg(found.size()).arg(name);
        if (auto* label = qobject_cast<QLabel*>(found.front())) return label->text();
        return qobject_cast<QAbstractButton*>(found.front())->text();
    }

private slots:
    void init() {
        m_settings = std::make_unique<QSettings>(m_folder.filePath("settings.ini"), QSettings::IniFormat);
        m_settings->clear();
    }
    void cleanup() {
        m_view.reset();
        m_model.reset();
    }

    void hints_data() {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("hint");
        QTest::newRow("inspect") << Mode::inspect << ""
                                 << "wand.and.stars"
                                 << "Paste an artifact above to decode it.";
        QTest::newRow("scan, empty") << Mode::scan << ""
                                     << "doc.text.magnifyingglass"
                                     << "Paste a log or dump above to find embedded artifacts.";
        QTest::newRow("scan, blanks") << Mode::scan << " \n "
                                      << "doc.text.magnifyingglass"
                                      << "No recognizable artifacts found.";
    }
    void hints() {
        QFETCH(Mode, mode);
        QFETCH(QString, input);
        open();
        m_model->setMode(mode);
        m_model->setInput(input.toStdString());
        QTEST(text("hintText"), "hint");
        QTEST(all<QLabel>("hintSymbol").value(0)->property("symbol").toString(), "symbol");
        QCOMPARE(all<InputEditor>("inputEditor").value(0)->currentText(), input);
    }

    void recentsCutLongInputs_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("shown");
        const QString accented = QStringLiteral("e\u0301"); // one character, two code points
        QTest::newRow("64") << 64 << accented.repeated(64);
        QTest::newRow("65") << 65 << accented.repeated(64) + QStringLiteral("…");
    }
    void recentsCutLongInputs() {
        QFETCH(int, length);
        open({QStringLiteral("e\u0301").repeated(length).toStdString()});
        QTEST(text("recentInput"), "shown");
        QCOMPARE(text("recentShape"), "json");
    }

    void recentsSelectAndClear() {
        open({"eyJhIjoxfQ", "1733556842"});
        m_model->setMode(Mode::scan);
        m_model->setInput(" ");
        m_model->setMode(Mode::inspect);
        QCOMPARE(all("recentRow").size(), 2);
        qobject_cast<QAbstractButton*>(all("recentRow").value(1))->click();
        QCOMPARE(m_model->mode(), Mode::inspect);
        QCOMPARE(m_model->input(), "1733556842");
        QCOMPARE(all("chainView").size(), 1);

        m_model->setInput({});
        qobject_cast<QAbstractButton*>(all("recentsClear").value(0))->click();
        QCOMPARE(text("hintText"), "Paste an artifact above to decode it.");
        m_model->flushHistory();
        QSettings stored(m_settings->fileName(), QSettings::IniFormat);
        QCOMPARE(stored.value(InspectorModel::historyKey).toByteArray(), "[]");
    }

    void findingsComeInPagesAfterABusyIndicator() {
        open();
        m_model->setMode(Mode::scan);
        m_model->loadSample();
        QCOMPARE(text("foundCount"), "Found 4 artifact(s)");
        QCOMPARE(all("findingCard").size(), 4);
        QVERIFY(all("showMoreFindings").value(0)->isHidden());

        std::string log;
        while (log.size() <= InspectorModel::backgroundScanThreshold)
            log += "id 3f8c2a6e-9d41-4b2a-bf0e-1c7d5e9a02b1\n";
        m_model->setInput(log);
        // Only the view's own rebuild: the scan's result, posted to the model, may not overtake it.
        auto* results = m_view->findChild<ResultArea*>();
        QCoreApplication::sendPostedEvents(results, QEvent::MetaCall);
        QCOMPARE(results->findChildren<QWidget*>("scanProgress").size(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(all("findingCard").size(), ResultArea::findingsPageSize, 20000);
        all<QAbstractButton>("showMoreFindings").value(0)->click();
        QCOMPARE(all("findingCard").size(), 2 * ResultArea::findingsPageSize);
    }

    void confidence_data() {
        QTest::addColumn<double>("confidence");
        QTest::addColumn<QString>("shown");
        QTest::newRow("0.995") << 0.995 << "100%";
        QTest::newRow("0.004") << 0.004 << "0%";
        QTest::newRow("0.5") << 0.5 << "50%";
    }
    void confidence() {
        QFETCH(double, confidence);
        QTEST(ConfidenceBadge(confidence).text(), "shown");
    }

    void shapeBarArrowsOnlyBetweenKinds() {
        QCOMPARE(ShapeBar({DetectionKind::json}).findChildren<QWidget*>("shapeArrow").size(), 0);
        const ShapeBar two({DetectionKind::jwt, DetectionKind::json});
        QCOMPARE(two.findChildren<QWidget*>("shapeArrow").size(), 1);
        QCOMPARE(two.findChildren<QLabel*>("shapeKind").value(1)->text(), "json");
    }

    void copyStaysCopied() {
        CopyButton button(QStringLiteral("value → ✓"));
        QCOMPARE(button.text(), "Copy");
        button.click();
        button.click();
        QCOMPARE(button.text(), "Copied");
        QCOMPARE(QGuiApplication::clipboard()->text(), "value → ✓");
    }

    void risksFollowTheChainMostSevereFirst() {
        open();
        m_model->setInput("eyJhbGciOiJub25lIiwidHlwIjoiSldUIn0.eyJzdWIiOiJhZG1pbiIsImFkbWluIjp0cnVlfQ.");
        QStringList severities;
        for (const QLabel* pill : all<QLabel>("riskSeverity")) severities << pill->text();
        QCOMPARE(severities, (QStringList{"high", "medium"}));
        QCOMPARE(all("riskReason").size(), 2);
        QCOMPARE(all<QLabel>("riskReference").value(0)->text(), "token.alg-none · RFC 8725 §3.1");
        // Between the chain and its explanation.
        auto* card = all("riskCard").value(0);
        const QLayout* content = card->parentWidget()->layout();
        QCOMPARE(content->indexOf(card), content->indexOf(all("chainView").value(0)) + 1);
        QCOMPARE(content->indexOf(all("explanationCard").value(0)), content->indexOf(card) + 1);
        m_model->setInput("aGVsbG8gd29ybGQ=");
        QVERIFY(all("riskCard").isEmpty());
    }

    void editorAndExplanationFollowTheModel() {
        open();
        auto* editor = all<InputEditor>("inputEditor").value(0);
        QCOMPARE(editor->placeholderText(), "Paste one token / payload / cert / error");
        QVERIFY(!all<QAbstractButton>("clearButton").value(0)->isEnabled());
        m_model->loadSample();
        QCOMPARE(editor->currentText(), QString::fromUtf8(Samples::sampleToken.data(), Samples::sampleToken.size()));
        QStringList kinds;
        for (const QLabel* kind : all<QLabel>("stepKind")) kinds << kind->text();
        QCOMPARE(kinds, (QStringList{"jwt", "json"}));
        QTRY_COMPARE(text("explanationSource"), "deterministic");
        const ExplanationCard loading({.state = InspectorModel::Explanation::State::loading, .text = {}, .source = {}});
        QCOMPARE(loading.findChild<QLabel*>("explanationLoading")->text(), "Thinking on-device…");
        QCOMPARE(all("explanationCard").size(), 1);
        editor->setPlainText("1733556842");
        QCOMPARE(m_model->input(), "1733556842");
        m_model->setMode(Mode::scan);
        QCOMPARE(editor->placeholderText(), "Paste a messy log or agent dump — Orvel finds every artifact");

        m_model->setInput(std::string(InputEditor::largeInputBytes + 1, 'a'));
        QVERIFY(editor->isShowingPreview());
        QCOMPARE(editor->currentText().size(), qsizetype{InputEditor::previewBytes});
        m_model->setInput(std::string(InputEditor::longLineBytes + 1, 'a') + "\nb");
        QVERIFY(editor->isShowingPreview());
        m_model->setInput("a\r\nb");
        QVERIFY(!editor->isShowingPreview());
        QCOMPARE(editor->currentText(), "a\nb");
    }
};

ORVEL_APP_TEST(ViewTests);

} // namespace orvel

#include "ViewTests.moc"
