// How long the desktop app's event loop is ever blocked while the main window takes a keystroke in
// a 1 MB JSON document (decoded, recorded and persisted at once), a 20 MB paste in scan mode
// (scanned on a worker thread) and a 50 MB clipboard text. A 1 ms timer ticks throughout; the
// longest gap between ticks, less the period, is the longest stall a user could feel. Prints one
// line per case.
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "LogGenerator.h"
#include "model/InspectorModel.h"
#include "ui/MainWindow.h"

namespace {

// Runs `action` from the event loop and keeps the loop turning until `done`, recording the
// longest gap between ticks of a 1 ms timer.
double longestStallMs(const std::function<void()>& action, const std::function<bool()>& done) {
    QElapsedTimer clock;
    qint64 last = 0, longest = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    clock.start();
    ticker.start(1);
    QTimer::singleShot(0, action);
    QTest::qWait(50);
    while (!done()) QTest::qWait(5);
    QTest::qWait(200); // what the result's layout and painting cost after it arrives
    return std::max(0.0, static_cast<double>(longest) / 1e6 - 1.0);
}

void report(const std::string& what, std::vector<double> stalls) {
    std::sort(stalls.begin(), stalls.end());
    std::printf("%s: longest stall median %.1f ms, worst %.1f ms (%zu runs)\n", what.c_str(), stalls[stalls.size() / 2],
                stalls.back(), stalls.size());
}

std::string jsonDocument(std::size_t bytes) {
    std::string json = "[";
    for (int i = 0; json.size() < bytes; ++i)
        json += (i ? ",\n  " : "\n  ") + std::string(R"({"id":)") + std::to_string(i) + R"(,"name":"user)" +
                std::to_string(i) + R"(","roles":["reader","writer"],"active":true})";
    return json + "]";
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QTemporaryDir folder;
    QSettings settings(folder.filePath("settings.ini"), QSettings::IniFormat);
    orvel::InspectorModel model(settings, {});
    orvel::MainWindow window(model, [] {});
    window.resize(900, 900);
    window.show();
    QTest::qWait(100);
    auto* editor = window.findChild<QPlainTextEdit*>();

    // Each case runs several times: the median shows the usual cost, the worst what a user may
    // meet now and then.
    const std::string json = jsonDocument(1000 * 1000);
    model.setInput(json);
    QTest::qWait(500);
    std::vector<double> typing;
    for (int run = 0; run < 7; ++run) {
        typing.push_back(longestStallMs(
            [&] {
                editor->moveCursor(QTextCursor::Start);
                QTest::keyClick(editor, Qt::Key_Space);
            },
            [&] { return model.explanation().state == orvel::InspectorModel::Explanation::State::ready; }));
    }
    report("typing one character into a " + std::to_string(json.size()) + "-byte JSON document", typing);

    model.setMode(orvel::InspectorModel::Mode::scan);
    const std::string log = orvel::bench::LogGenerator().generate(20 * 1000 * 1000);
    QGuiApplication::clipboard()->setText(QString::fromStdString(log));
    std::vector<double> pasting, clearing;
    for (int run = 0; run < 5; ++run) {
        const bool hasFindings = !model.findings().empty();
        const double cleared = longestStallMs([&] { model.setInput({}); }, [] { return true; });
        if (hasFindings) clearing.push_back(cleared);
        // The paste reaches the model once encoded, then the scan runs.
        pasting.push_back(longestStallMs([&] { editor->paste(); },
                                         [&] { return model.input().size() == log.size() && !model.isScanning(); }));
    }
    report("pasting a " + std::to_string(log.size()) + "-byte log in scan mode (" +
               std::to_string(model.findings().size()) + " findings)",
           pasting);
    report("clearing the input after that scan", clearing);

    // Above the 16 MiB decoding cap: read, found unrecognised at once, shown in part.
    std::string huge;
    while (huge.size() < 50 * 1000 * 1000) huge += log;
    QGuiApplication::clipboard()->setText(QString::fromStdString(huge));
    const double clipboard =
        longestStallMs([&] { model.loadClipboard(); }, [&] { return model.input().size() == huge.size(); });
    report("decoding a " + std::to_string(huge.size()) + "-byte clipboard text", {clipboard});
    return 0;
}
