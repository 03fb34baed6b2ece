#include "orvel/ModelSettings.h"

#include <cstdlib>
#include <fstream>

namespace orvel {
namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string trimmed(std::string text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

std::string ModelSettings::shownUrl() const {
    const auto scheme = url.find("://");
    const auto start = scheme == std::string::npos ? 0 : scheme + 3;
    const auto authorityEnd = url.find_first_of("/?#", start);
    const auto at = url.rfind('@', authorityEnd == std::string::npos ? url.size() : authorityEnd);
    if (at == std::string::npos || at < start) return url;
    return url.substr(0, start) + "…" + url.substr(at);
}

ModelSettings ModelSettings::load() {
    ModelSettings settings = readFile(configFile());
    if (std::string url = environment("ORVEL_MODEL_URL"); !url.empty()) settings.url = url;
    if (std::string model = environment("ORVEL_MODEL"); !model.empty()) settings.model = model;
    return settings;
}

ModelSettings ModelSettings::readFile(const std::filesystem::path& file) {
    ModelSettings settings;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        const auto equals = line.find('=');
        if (equals == std::string::npos || trimmed(line).starts_with('#')) continue;
        const std::string key = trimmed(line.substr(0, equals));
        if (key == "url") settings.url = trimmed(line.substr(equals + 1));
        if (key == "model") settings.model = trimmed(line.substr(equals + 1));
    }
    return settings;
}

std::filesystem::path ModelSettings::configFile() {
    const std::string xdg = environment("XDG_CONFIG_HOME");
    const std::filesystem::path base =
        xdg.empty() ? std::filesystem::path(environment("HOME")) / ".config" : std::filesystem::path(xdg);
    return base / "orvel" / "model.conf";
}

bool ModelSettings::writeFile(const std::filesystem::path& file) const {
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    std::ofstream out(file, std::ios::trunc);
    out << "url=" << url << "\nmodel=" << model << "\n";
    return static_cast<bool>(out.flush());
}

} // namespace orvel
