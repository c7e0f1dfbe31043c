#include "common/linux/Environment.h"

#include <cstdlib>

namespace agendix::common {
namespace {

std::optional<std::filesystem::path> AbsoluteDirectory(const EnvironmentLookup& environment,
                                                       const char* name) {
    const auto value = environment(name);
    if (!value || value->empty() || std::filesystem::path(*value).is_relative()) {
        return std::nullopt;
    }
    return std::filesystem::path(*value);
}

}  // namespace

std::optional<std::string> ProcessEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

std::optional<std::filesystem::path> HomeDirectory(const EnvironmentLookup& environment) {
    return AbsoluteDirectory(environment, "HOME");
}

std::optional<std::filesystem::path> XdgDirectory(const EnvironmentLookup& environment,
                                                  const char* name, const char* underHome) {
    if (auto directory = AbsoluteDirectory(environment, name)) {
        return directory;
    }
    if (auto home = HomeDirectory(environment)) {
        return *home / underHome;
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> XdgConfigHome(const EnvironmentLookup& environment) {
    return XdgDirectory(environment, "XDG_CONFIG_HOME", ".config");
}

std::optional<std::filesystem::path> XdgDataHome(const EnvironmentLookup& environment) {
    return XdgDirectory(environment, "XDG_DATA_HOME", ".local/share");
}

std::optional<std::filesystem::path> XdgCacheHome(const EnvironmentLookup& environment) {
    return XdgDirectory(environment, "XDG_CACHE_HOME", ".cache");
}

}  // namespace agendix::common
