// The local model server backend, against a fake server on 127.0.0.1: answers, every failure that
// must fall back to the template text, the availability cache and the loopback rule.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "orvel/FoundationModelExplainer.h"
#include "orvel/HttpLanguageModel.h"
#include "orvel/TemplateExplainer.h"
#include "support/FakeModelServer.h"
#include "support/SampleChains.h"

namespace orvel {
namespace {

using namespace std::chrono_literals;
using test::FakeModelServer;

std::shared_ptr<HttpLanguageModel> modelAt(const std::string& url, HttpLanguageModel::Resolver resolver = {}) {
    if (!resolver) resolver = [](const std::string&) { return std::vector<std::string>{}; };
    return std::make_shared<HttpLanguageModel>(ModelSettings{url, "m"}, std::move(resolver));
}

TEST(HttpLanguageModel, AnAvailableServerWritesTheExplanation) {
    FakeModelServer server;
    server.reply({200, FakeModelServer::answer("  A token.\n"), false});
    const auto model = modelAt(server.url());
    EXPECT_EQ(model->unavailabilityReason(), std::nullopt);
    EXPECT_EQ(FoundationModelExplainer(model).explain(DecodeChain{}), "A token.");
}

TEST(HttpLanguageModel, EveryFailedAnswerFallsBackToTheTemplate) {
    const std::string fallback = TemplateExplainer().explain(DecodeChain{});
    for (const FakeModelServer::Reply& reply :
         std::vector<FakeModelServer::Reply>{{500, FakeModelServer::answer("x"), false},
                                             {200, "{not json", false},
                                             {200, FakeModelServer::answer(" \n "), false},
                                             {200, R"({"choices":[]})", false},
                                             {200, FakeModelServer::answer(std::string(2 << 20, 'a')), false}}) {
        FakeModelServer server;
        server.reply(reply);
        EXPECT_EQ(FoundationModelExplainer(modelAt(server.url())).explain(DecodeChain{}), fallback) << reply.status;
    }
    // Gone between the availability check and the request.
    FakeModelServer server;
    const auto model = modelAt(server.url());
    ASSERT_TRUE(model->isAvailable());
    server.stop();
    EXPECT_EQ(model->respond("i", "p", {}), std::nullopt);
}

TEST(HttpLanguageModel, AStopRequestEndsAHangingAnswer) {
    FakeModelServer server;
    server.reply({200, "", true});
    std::stop_source stop;
    std::jthread stopper([&] {
        while (server.requests() == 0) std::this_thread::sleep_for(1ms);
        stop.request_stop();
    });
    EXPECT_EQ(modelAt(server.url())->respond("i", "p", stop.get_token()), std::nullopt);
}

TEST(HttpLanguageModel, AvailabilityIsCachedBriefly) {
    auto server = std::make_unique<FakeModelServer>();
    const std::string url = server->url();
    const auto model = modelAt(url);
    EXPECT_TRUE(model->isAvailable());
    server.reset();
    EXPECT_TRUE(model->isAvailable()); // still the cached answer
    std::this_thread::sleep_for(2100ms);
    EXPECT_EQ(model->unavailabilityReason(), "the model server at " + url + " does not answer");
    EXPECT_FALSE(modelAt("")->isAvailable());
}

TEST(HttpLanguageModel, OnlyLoopbackHostsAreContacted) {
    const auto resolver = [](const std::string& host) {
        if (host == "loop.test") return std::vector<std::string>{"127.0.0.2", "::1"};
        if (host == "mixed.test") return std::vector<std::string>{"127.0.0.1", "93.184.216.34"};
        return std::vector<std::string>{};
    };
    const std::vector<std::pair<std::string, std::string>> cases{
        {"http://127.0.0.1:8080", ""},
        {"http://[::1]:8080/prefix/", ""},
        {"https://loop.test", ""},
        {"http://10.0.0.1", "the model server host 10.0.0.1 resolves to 10.0.0.1, which is not this machine"},
        {"http://93.184.216.34", "the model server host 93.184.216.34 resolves to 93.184.216.34, which is not"},
        {"http://mixed.test", "the model server host mixed.test resolves to 93.184.216.34, which is not"},
        {"http://nowhere.test", "the model server host nowhere.test does not resolve"},
        {"file:///tmp/x", "the model server URL must use http or https, not file"},
        {"http://me:pw@127.0.0.1", "the model server URL must not hold credentials"},
        {"http://127.0.0.1/?q=1", "the model server URL must not hold a query or fragment"},
        {"", "no model server is configured"},
    };
    for (const auto& [url, refusal] : cases) {
        const auto reason = modelAt(url, resolver)->refusalReason();
        EXPECT_EQ(reason.value_or("").substr(0, refusal.size()), refusal) << url;
        EXPECT_EQ(reason.has_value(), !refusal.empty()) << url;
    }
    EXPECT_EQ(modelAt("http://localhost", HttpLanguageModel::systemResolver)->refusalReason(), std::nullopt);
}

TEST(ModelSettings, TheEnvironmentWinsOverTheConfigFile) {
    const auto folder = std::filesystem::temp_directory_path() / ("orvel-model-" + std::to_string(getpid()));
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    ASSERT_TRUE((ModelSettings{"http://127.0.0.1:1", "file-model"}.writeFile(ModelSettings::configFile())));
    setenv("ORVEL_MODEL_URL", "http://[::1]:2", 1);
    const ModelSettings settings = ModelSettings::load();
    unsetenv("ORVEL_MODEL_URL");
    unsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(folder);
    EXPECT_EQ(settings.url, "http://[::1]:2");
    EXPECT_EQ(settings.model, "file-model");
    EXPECT_EQ((ModelSettings{"https://me:pw@[::1]:8/a@b", ""}.shownUrl()), "https://…@[::1]:8/a@b");
}

} // namespace
} // namespace orvel
