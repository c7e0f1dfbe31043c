#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace agendix::common {

// Reads one environment variable; empty optional when it is unset. Code that looks up the
// environment takes one of these, so tests hand in their own.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

// The process environment.
std::optional<std::string> ProcessEnvironment(const char* name);

// $HOME when it holds an absolute path.
std::optional<std::filesystem::path> HomeDirectory(const EnvironmentLookup& environment);

// A base folder of the XDG rules: the variable `name` when it holds an absolute path (relative
// values are invalid and ignored), else `underHome` under $HOME. Empty when neither is usable.
std::optional<std::filesystem::path> XdgDirectory(const EnvironmentLookup& environment,
                                                  const char* name, const char* underHome);

// $XDG_CONFIG_HOME, else ~/.config.
std::optional<std::filesystem::path> XdgConfigHome(const EnvironmentLookup& environment);

// $XDG_DATA_HOME, else ~/.local/share.
std::optional<std::filesystem::path> XdgDataHome(const EnvironmentLookup& environment);

// $XDG_CACHE_HOME, else ~/.cache.
std::optional<std::filesystem::path> XdgCacheHome(const EnvironmentLookup& environment);

}  // namespace agendix::common
