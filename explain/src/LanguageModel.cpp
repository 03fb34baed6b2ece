#include "orvel/LanguageModel.h"

#include "orvel/HttpLanguageModel.h"

namespace orvel {

std::string explanationStatus(const std::optional<std::string>& reason) {
    return reason ? "Explanations: deterministic — " + *reason
                  : "Explanations: on-device AI — the model server answers";
}

std::shared_ptr<const LanguageModel> systemLanguageModel() {
    static const std::shared_ptr<const LanguageModel> model =
        std::make_shared<const HttpLanguageModel>(ModelSettings::load());
    return model;
}

} // namespace orvel
