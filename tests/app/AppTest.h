#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

// Each test class registers itself here, so that one program runs them all and a new class
// touches only its own file.
namespace orvel::testing {

using TestFactory = std::function<std::unique_ptr<QObject>()>;

inline std::vector<TestFactory>& registeredTests() {
    static std::vector<TestFactory> tests;
    return tests;
}

template <typename Test>
struct TestRegistration {
    TestRegistration() {
        registeredTests().push_back([] { return std::make_unique<Test>(); });
    }
};

} // namespace orvel::testing

/// Registers the Qt Test class `Class` with the application's test program.
#define ORVEL_APP_TEST(Class) static const orvel::testing::TestRegistration<Class> registration##Class
