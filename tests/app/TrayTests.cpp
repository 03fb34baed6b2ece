#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "AppTest.h"
#include "model/InspectorModel.h"
#include "model/Samples.h"
#include "orvel/ModelSettings.h"
#include "tray/Autostart.h"
#include "tray/ClampedText.h"
#include "tray/PopupPanel.h"
#include "tray/TrayIcon.h"
#include "ui/ModelPreferencesDialog.h"

namespace orvel {

using Mode = InspectorModel::Mode;

class TrayTests : public QObject {
    Q_OBJECT

    QTemporaryDir m_folder;
    QByteArray m_configHome;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<InspectorModel> m_model;

    QString hint(PopupPanel& panel) {
        const auto* label = panel.findChild<QLabel*>("previewHint");
        return label->isHidden() ? QString() : label->text();
    }
    QAction* action(TrayIcon& tray, const QString& text) {
        for (auto* candidate : tray.menu().actions())
            if (candidate->text() == text) return candidate;
        return nullptr;
    }

private slots:
    void initTestCase() {
        m_configHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_folder.filePath("config").toUtf8());
    }
    void cleanupTestCase() {
        if (m_configHome.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", m_configHome);
    }
    void init() {
        m_settings = std::make_unique<QSettings>(m_folder.filePath("settings.ini"), QSettings::IniFormat);
        m_model = std::make_unique<InspectorModel>(*m_settings, QStringList());
    }

    void preview_data() {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QString>("value");
        const QString noChain = "Copy a token / payload / error, then Inspect Clipboard.";
        const auto encoded = [](int count) { return QString::fromLatin1(QString(count, u'é').toUtf8().toBase64()); };
        QTest::newRow("nothing") << Mode::inspect << "" << noChain << "";
        QTest::newRow("scan findings") << Mode::scan << QString::fromUtf8(Samples::sampleLog) << noChain << "";
        QTest::newRow("not recognised") << Mode::inspect << "hello there"
                                        << "Not recognized — open Orvel for scan mode or more context."
                                        << "";
        QTest::newRow("240 whole") << Mode::inspect << encoded(240) << "" << QString(240, u'é');
        QTest::newRow("241 cut") << Mode::inspect << encoded(241) << "" << QString(240, u'é') + "…";
        QTest::newRow("300 cut") << Mode::inspect << encoded(300) << "" << QString(240, u'é') + "…";
    }
    void preview() {
        QFETCH(Mode, mode);
        QFETCH(QString, input);
        QFETCH(QString, hint);
        QFETCH(QString, value);
        // Open first: the panel follows the model while it is shown.
        PopupPanel panel(*m_model);
        panel.showNear({640, 40});
        m_model->setMode(mode);
        m_model->setInput(input.toStdString());
        QCOMPARE(this->hint(panel), hint);
        const auto* shape = panel.findChild<QLabel*>("previewShape");
        const auto* shown = panel.findChild<ClampedText*>("previewValue");
        QCOMPARE(shape->isVisible(), !value.isEmpty());
        QCOMPARE(shown->isVisible(), !value.isEmpty());
        if (value.isEmpty()) return;
        QCOMPARE(shape->text(), "base64");
        QCOMPARE(shown->text(), value);
        // Each row is too long for four lines at this width: the last line shown ends in "…".
        QCOMPARE(shown->visibleLines().size(), PopupPanel::previewLines);
        QVERIFY(shown->visibleLines().back().endsWith("…"));
        QCOMPARE(shown->height(), PopupPanel::previewLines * shown->fontMetrics().lineSpacing());
        QCOMPARE(panel.width(), PopupPanel::panelWidth);
    }

    void riskLineOnlyWhenThereAreRisks() {
        PopupPanel panel(*m_model);
        panel.showNear({640, 40});
        const auto* line = panel.findChild<QLabel*>("previewRisks");
        const struct {
            std::string input;
            QString line;
        } cases[] = {
            {"eyJhbGciOiJub25lIiwidHlwIjoiSldUIn0.eyJzdWIiOiJhZG1pbiIsImFkbWluIjp0cnVlfQ.",
             "⚠ 2 risks · highest: high"},
            {"$2b$05$Dj42nvdR14wmJXqSKIZ8kui/2rzyKi/5wQMVHkq9fF6JMLwuFoLTG", "⚠ 1 risk · highest: medium"},
            {"aGVsbG8gd29ybGQ=", ""},
        };
        for (const auto& [input, expected] : cases) {
            m_model->setInput(input);
            QCOMPARE(line->isVisible() ? line->text() : QString(), expected);
        }
    }

    void inspectClipboard() {
        PopupPanel panel(*m_model);
        m_model->setMode(Mode::scan);
        m_model->setInput(std::string(Samples::sampleLog));
        QGuiApplication::clipboard()->setText(QString::fromUtf8(Samples::sampleToken));
        panel.showNear({640, 860});
        QTest::mouseClick(panel.findChild<QPushButton*>("inspectClipboardButton"), Qt::LeftButton);
        QCOMPARE(m_model->mode(), Mode::inspect);
        QCOMPARE(m_model->input(), Samples::sampleToken);
        QVERIFY(hint(panel).isEmpty());

        QGuiApplication::clipboard()->clear();
        QTest::keyClick(&panel, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(m_model->input(), "");
        QCOMPARE(hint(panel), "Copy a token / payload / error, then Inspect Clipboard.");
    }

    void placement() {
        PopupPanel panel(*m_model);
        const auto screen = QGuiApplication::primaryScreen()->availableGeometry();
        for (const QPoint anchor : {screen.topLeft(), screen.bottomRight(), QPoint(-5000, 9000)}) {
            panel.showNear(anchor);
            QVERIFY(screen.contains(panel.geometry()));
        }
    }

    void trayActions() {
        int opened = 0;
        TrayIcon tray(*m_model, [&] { ++opened; });
        QGuiApplication::clipboard()->setText("hello there");
        action(tray, "Inspect Clipboard")->trigger();
        QVERIFY(tray.popup().isVisible());
        QCOMPARE(m_model->input(), "hello there");
        QTest::mouseClick(tray.popup().findChild<QPushButton*>("openOrvelButton"), Qt::LeftButton);
        QVERIFY(!tray.popup().isVisible());
        action(tray, "Open Orvel")->trigger();
        QCOMPARE(opened, 2);

        auto* startAtLogin = action(tray, "Start at login");
        startAtLogin->trigger();
        QVERIFY(startAtLogin->isChecked() && Autostart::isEnabled());
        startAtLogin->trigger();
        QVERIFY(!startAtLogin->isChecked() && !Autostart::isEnabled());
    }

    void autostart() {
        const auto path = Autostart::entryPath();
        QCOMPARE(path, m_folder.filePath("config/autostart/orvel.desktop"));
        QVERIFY(Autostart::setEnabled(true));
        QSettings entry(path, QSettings::IniFormat);
        entry.beginGroup("Desktop Entry");
        QCOMPARE(entry.value("Type"), "Application");
        QCOMPARE(entry.value("Name"), "Orvel");
        QCOMPARE(entry.value("Exec"), QCoreApplication::applicationFilePath() + " --hidden");
        QCOMPARE(entry.value("Icon"), "orvel");
        QCOMPARE(entry.value("X-GNOME-Autostart-enabled"), "true");
        QVERIFY(Autostart::setEnabled(false) && !Autostart::isEnabled() && Autostart::setEnabled(false));

        // A file where the folder should be: nothing can be written there.
        QFile blocker(m_folder.filePath("config/autostart"));
        QVERIFY(QDir().rmdir(blocker.fileName()) && blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!Autostart::setEnabled(true) && !Autostart::isEnabled());
        TrayIcon tray(*m_model, [] {});
        action(tray, "Start at login")->trigger();
        QVERIFY(!action(tray, "Start at login")->isChecked());
        QVERIFY(blocker.remove());
    }
    // The preferences say why a server is refused and save what was typed to the config file.
    void modelPreferences() {
        ModelPreferencesDialog dialog;
        QVERIFY(dialog.status().contains("no model server is configured"));
        dialog.findChild<QLineEdit*>("modelUrl")->setText("http://10.0.0.1:8080");
        dialog.findChild<QLineEdit*>("modelName")->setText("m");
        dialog.save();
        QVERIFY(dialog.status().contains("10.0.0.1, which is not this machine"));
        const ModelSettings saved = ModelSettings::readFile(ModelSettings::configFile());
        QCOMPARE(QString::fromStdString(saved.url + " " + saved.model), QString("http://10.0.0.1:8080 m"));
    }
};

ORVEL_APP_TEST(TrayTests);

} // namespace orvel

#include "TrayTests.moc"
