#pragma once

// The program's UTF-8 texts and the UTF-16 ("wide") texts of the Windows API. A byte sequence
// that is not UTF-8 becomes U+FFFD, an unpaired surrogate the same in the other direction.

#include <string>
#include <string_view>

namespace agendix::common {

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

}  // namespace agendix::common
