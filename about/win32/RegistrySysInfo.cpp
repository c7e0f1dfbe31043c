#include "about/win32/RegistrySysInfo.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace agendix::about {
namespace {

constexpr char kSysInfoKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr char kSysInfoLocationKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr std::size_t kValueBufferSize = 1024;

std::int32_t LittleEndianInt32(const BYTE* bytes) {
    const std::uint32_t value = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8U |
                                std::uint32_t{bytes[2]} << 16U | std::uint32_t{bytes[3]} << 24U;
    return static_cast<std::int32_t>(value);
}

}  // namespace

bool GetKeyValue(Registry& registry, HKEY root, const std::string& keyName,
                 const std::string& valueName, std::string& keyValue) {
    HKEY key = nullptr;
    if (registry.OpenKey(root, keyName, KEY_READ, key) != ERROR_SUCCESS) {
        keyValue.clear();
        return false;
    }
    std::array<BYTE, kValueBufferSize> buffer{};
    DWORD size = kValueBufferSize;
    DWORD type = 0;
    const bool read =
        registry.QueryValue(key, valueName, type, buffer.data(), size) == ERROR_SUCCESS;
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
    if (type == REG_SZ) {
        keyValue = text;
    } else if (type == REG_DWORD) {
        keyValue = std::to_string(LittleEndianInt32(buffer.data()));
    }
    return true;
}

std::string RegistrySysInfo::FindTool() {
    std::string path;
    if (GetKeyValue(registry_, HKEY_LOCAL_MACHINE, kSysInfoKey, "PATH", path)) {
        return path;
    }
    if (!GetKeyValue(registry_, HKEY_LOCAL_MACHINE, kSysInfoLocationKey, "MSINFO", path)) {
        return {};
    }
    return files_.ProgramIn(path);
}

}  // namespace agendix::about
