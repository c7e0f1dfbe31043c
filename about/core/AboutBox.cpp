#include "about/core/AboutBox.h"

#include <algorithm>
#include <array>

namespace agendix::about {
namespace {

constexpr char kSysInfoKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr char kSysInfoLocationKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr std::size_t kValueBufferSize = 1024;

std::int32_t LittleEndianInt32(const unsigned char* bytes) {
    const std::uint32_t value = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8U |
                                std::uint32_t{bytes[2]} << 16U | std::uint32_t{bytes[3]} << 24U;
    return static_cast<std::int32_t>(value);
}

// The tool's path from the two registry places, or empty when neither names one.
std::string FindSysInfoProgram(Registry& registry, SysInfoPlatform& platform) {
    std::string path;
    if (GetKeyValue(registry, kHKeyLocalMachine, kSysInfoKey, "PATH", path)) {
        return path;
    }
    if (!GetKeyValue(registry, kHKeyLocalMachine, kSysInfoLocationKey, "MSINFO", path)) {
        return {};
    }
    return platform.ProgramIn(path);
}

}  // namespace

AboutTexts LoadTexts(const common::ApplicationInfo& app) {
    AboutTexts texts;
    texts.caption = "About " + app.Title;
    texts.version = "Version " + std::to_string(app.Major) + "." + std::to_string(app.Minor) +
                    ", build " + std::to_string(app.Revision);
    texts.title = app.Title;
    texts.description = "Shows todays and tomorrows outlook calender items.";
    texts.disclaimer = "Copyright (C) 2026 The Agendix project\r\n\r\nAt home on the Internet";
    return texts;
}

std::string LinkTarget(int index) {
    return index == 0 ? std::string("mailto:") + kAuthorMail : std::string(kHomePage);
}

void OpenLink(UrlOpener& opener, int index) {
    try {
        opener.OpenUrl(LinkTarget(index));
    } catch (...) {
        // A link that cannot be opened is not worth a message.
    }
}

bool GetKeyValue(Registry& registry, RegistryKey root, const std::string& keyName,
                 const std::string& valueName, std::string& keyValue) {
    RegistryKey key = 0;
    if (registry.OpenKey(root, keyName, kKeyRead, key) != kErrorSuccess) {
        keyValue.clear();
        return false;
    }
    std::array<unsigned char, kValueBufferSize> buffer{};
    std::uint32_t size = kValueBufferSize;
    std::uint32_t type = 0;
    const bool read =
        registry.QueryValue(key, valueName, type, buffer.data(), size) == kErrorSuccess;
    registry.CloseKey(key);
    if (!read) {
        keyValue.clear();
        return false;
    }
    std::string text(reinterpret_cast<const char*>(buffer.data()),
                     std::min<std::size_t>(size, buffer.size()));
    if (!text.empty() && text.back() == '\0') {
        text.pop_back();
    }
    if (type == kRegSz) {
        keyValue = text;
    } else if (type == kRegDword) {
        keyValue = std::to_string(LittleEndianInt32(buffer.data()));
    }
    return true;
}

void StartSysInfo(Registry& registry, SysInfoPlatform& platform, MessageBox& messages,
                  const std::string& title) {
    try {
        const std::string program = FindSysInfoProgram(registry, platform);
        if (!program.empty() && platform.StartProgram(program)) {
            return;
        }
    } catch (...) {
        // Every failure ends in the one message below.
    }
    messages.ShowMessage(kSysInfoUnavailable, title);
}

}  // namespace agendix::about
