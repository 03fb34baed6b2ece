#pragma once

#include <filesystem>
#include <string>

namespace orvel {

/// Where the local model server lives: its base URL (empty when none is configured) and the
/// optional model name sent with each request.
struct ModelSettings {
    std::string url;
    std::string model;

    /// The URL with any user name and password in it shown as "…", so messages never repeat them.
    std::string shownUrl() const;
    /// The settings from `ORVEL_MODEL_URL` / `ORVEL_MODEL`, each falling back to the config file.
    static ModelSettings load();
    /// The settings in the `url=` / `model=` lines of `file`; empty when it cannot be read.
    static ModelSettings readFile(const std::filesystem::path& file);
    /// The config file: `$XDG_CONFIG_HOME/orvel/model.conf`, or under `~/.config` without it.
    static std::filesystem::path configFile();
    /// Writes these settings to `file`, creating its folder; false when that fails.
    bool writeFile(const std::filesystem::path& file) const;
};

} // namespace orvel
