// Runs every registered test class in turn; arguments (a test function's name, -v2…) go to each.
#include <QApplication>
#include <QTest>

#include "AppTest.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName("orvel-tests");
    int failures = 0;
    for (const auto& make : orvel::testing::registeredTests()) {
        const auto test = make();
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
