#include "orvel/LanguageModel.h"

namespace orvel {
namespace {

class UnavailableLanguageModel final : public LanguageModel {
public:
    std::optional<std::string> unavailabilityReason() const override {
        return "no on-device language model is available on this platform";
    }
    std::optional<std::string> respond(std::string_view, std::string_view, std::stop_token) const override {
        return std::nullopt;
    }
};

} // namespace

std::shared_ptr<const LanguageModel> systemLanguageModel() {
    static const std::shared_ptr<const LanguageModel> model = std::make_shared<const UnavailableLanguageModel>();
    return model;
}

} // namespace orvel
