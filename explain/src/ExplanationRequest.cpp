#include "orvel/ExplanationRequest.h"

#include <string_view>

#include "orvel/DetailCategorizer.h"
#include "orvel/Unicode.h"

namespace orvel {
namespace {

constexpr std::string_view instructionText =
    "You are the explanation layer of Orvel, a local developer tool that inspects technical artifacts (tokens, "
    "payloads, certs, logs) entirely on the user's computer.\n"
    "A deterministic engine has ALREADY identified the artifact and extracted the facts. Your only job is to explain, "
    "in plain English, what it is, what it means, and the most useful next step.\n"
    "Rules:\n"
    "- Trust the provided facts as ground truth. Never contradict, re-decode, or invent values, dates, or fields "
    "beyond what is given.\n"
    "- Be concise: 2-4 sentences, no preamble, no markdown headers.\n"
    "- If there is a security note, surface it clearly.\n"
    "- If nothing was recognized, say so plainly and suggest what the user could try.";

// Long texts are cut so that one huge payload cannot crowd the facts out of a small model's
// context; notes are never cut because they are the engine's own short sentences.
constexpr std::size_t maxRawInputCharacters = 400;
constexpr std::size_t maxFactCharacters = 200;
constexpr std::size_t maxFinalValueCharacters = 600;

std::string buildPrompt(const DecodeChain& chain) {
    if (!chain.isRecognized()) {
        return "The engine did not recognize this input as any known artifact.\nRaw input:\n" +
               Unicode::truncated(chain.input, maxRawInputCharacters);
    }
    std::string prompt = "Decode shape: " + chain.shapeText() + "\n";
    for (std::size_t i = 0; i < chain.steps.size(); ++i) {
        const DecodeResult& step = chain.steps[i];
        prompt += "\nLayer " + std::to_string(i + 1) + " — " + std::string(rawValue(step.kind)) + ": " + step.summary;
        const DetailCategorizer split(step.details);
        if (!split.facts.empty()) prompt += "\n  Facts:";
        for (const auto& [key, value] : split.facts)
            prompt += "\n    - " + key + ": " + Unicode::truncated(value, maxFactCharacters);
        if (!split.notes.empty()) prompt += "\n  Engine notes:";
        for (const auto& note : split.notes) prompt += "\n    - " + note.second;
    }
    return prompt + "\n\nFinal decoded value:\n" + Unicode::truncated(chain.finalValue(), maxFinalValueCharacters);
}

} // namespace

ExplanationRequest::ExplanationRequest(const DecodeChain& chain)
    : instructions(instructionText), prompt(buildPrompt(chain)), isRecognized(chain.isRecognized()) {}

} // namespace orvel
