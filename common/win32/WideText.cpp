#include "common/win32/WideText.h"

#include <windows.h>

#include <limits>
#include <stdexcept>

namespace agendix::common {
namespace {

int CheckedLength(std::size_t size) {
    if (size > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        throw std::length_error("text too long for the Windows API");
    }
    return static_cast<int>(size);
}

}  // namespace

std::wstring WideFromUtf8(std::string_view text) {
    const int length = CheckedLength(text.size());
    if (length == 0) {
        return {};
    }
    std::wstring wide(
        static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0)),
        L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(),
                        static_cast<int>(wide.size()));
    return wide;
}

std::string Utf8FromWide(std::wstring_view text) {
    const int length = CheckedLength(text.size());
    if (length == 0) {
        return {};
    }
    std::string utf8(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), length,
                                                                  nullptr, 0, nullptr, nullptr)),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), static_cast<int>(utf8.size()),
                        nullptr, nullptr);
    return utf8;
}

}  // namespace agendix::common
