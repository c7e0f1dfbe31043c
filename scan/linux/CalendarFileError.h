#pragma once

#include <cstdint>
#include <string>

#include "scan/core/CalendarSource.h"

namespace agendix::scan {

// A calendar file, or an event in it, that cannot be used: the file, the line where the fault
// lies (0 when the file could not be read at all) and what is wrong. The message names them:
// "FILE, line N: REASON", or "cannot read the calendar file FILE: REASON".
class CalendarFileError : public CalendarError {
  public:
    CalendarFileError(const std::string& file, std::uint32_t line, const std::string& reason)
        : CalendarError(Message(file, line, reason)), file_(file), line_(line), reason_(reason) {}

    const std::string& File() const { return file_; }
    std::uint32_t Line() const { return line_; }
    const std::string& Reason() const { return reason_; }

  private:
    static std::string Message(const std::string& file, std::uint32_t line,
                               const std::string& reason) {
        if (line == 0) {
            return "cannot read the calendar file " + file + ": " + reason;
        }
        return file + ", line " + std::to_string(line) + ": " + reason;
    }

    std::string file_;
    std::uint32_t line_;
    std::string reason_;
};

}  // namespace agendix::scan
