#include <QCoreApplication>
#include <QTest>

#include "AppTest.h"
#include "platform/HotKeyManager.h"

namespace orvel {
namespace {

// Records the manager's calls and answers as the test says.
struct FakeBackend final : HotKeyBackend {
    bool installResult = true;
    bool registerResult = true;
    int installs = 0;
    int registrations = 0;
    std::pair<std::uint32_t, std::uint32_t> identifier;
    Handler handler;

    bool installHandler(Handler newHandler) override {
        ++installs;
        handler = std::move(newHandler);
        return installResult;
    }
    bool registerHotKey(std::uint32_t signature, std::uint32_t id) override {
        ++registrations;
        identifier = {signature, id};
        return registerResult;
    }
};

struct Rig {
    FakeBackend* backend = new FakeBackend;
    HotKeyManager manager{std::unique_ptr<HotKeyBackend>(backend)};
};

} // namespace

class HotKeyTests : public QObject {
    Q_OBJECT

private slots:
    void registersOnceAndPostsTheLatestAction() {
        Rig rig;
        int first = 0;
        int second = 0;
        QVERIFY(rig.manager.registerHotKey([&] { ++first; }));
        QVERIFY(rig.manager.isRegistered());
        QCOMPARE(rig.backend->identifier, std::pair(fourCharCode("ORVL"), 1u));
        rig.backend->handler(0, 1);
        QVERIFY(rig.manager.registerHotKey([&] { ++second; }));
        QCOMPARE(rig.backend->installs + rig.backend->registrations, 2);
        rig.backend->handler(0, 1);
        rig.backend->handler(fourCharCode("ORVL"), 2);
        QCOMPARE(second, 0);
        QCoreApplication::processEvents();
        QCOMPARE(std::pair(first, second), std::pair(0, 2));
        QCOMPARE(rig.manager.displayChord(), "Ctrl+Alt+Super+V");
        QVERIFY(HotKeyManager::registrationSkipped());
    }

    void failedRegistrationRetries() {
        for (const bool handlerAccepted : {false, true}) {
            Rig rig;
            rig.backend->installResult = handlerAccepted;
            rig.backend->registerResult = false;
            int fired = 0;
            QVERIFY(!rig.manager.registerHotKey([&] { ++fired; }));
            QVERIFY(!rig.manager.isRegistered());
            QCOMPARE(rig.backend->registrations, handlerAccepted ? 1 : 0);
            rig.backend->handler(0, 1);
            QCoreApplication::processEvents();
            QCOMPARE(fired, 1);
            rig.backend->installResult = rig.backend->registerResult = true;
            QVERIFY(rig.manager.registerHotKey([] {}));
            QCOMPARE(rig.backend->installs, 2);
        }
    }

    void fourCharCodeFoldsTheFirstFourBytes() {
        const std::pair<std::string_view, std::uint32_t> table[] = {
            {"", 0}, {"AB", 0x4142}, {"ORVL", 0x4F52564C}, {"ORVLX", 0x4F52564C}, {"\xE2\x82\xACuro", 0xE282AC75}};
        for (const auto& [text, code] : table) QCOMPARE(fourCharCode(text), code);
    }
};

ORVEL_APP_TEST(HotKeyTests);

} // namespace orvel

#include "HotKeyTests.moc"
