#pragma once

// The system's own description of an error code of the Windows API.

#include <string>

namespace agendix::common {

// The system's text for the error `code` (a system error or an HRESULT) in UTF-8, without its
// line end and final full stop; empty when the system has none.
std::string SystemMessageText(unsigned long code);

}  // namespace agendix::common
