#pragma once

#include <stdexcept>
#include <string>

namespace agendix::controls {

// An error the host framework raises back to whoever called into a control: a numbered error
// with a message a user can read.
class HostError : public std::runtime_error {
  public:
    static constexpr int kOverflow = 6;
    static constexpr int kTypeMismatch = 13;
    static constexpr int kInvalidPropertyValue = 380;

    HostError(int number, const std::string& message)
        : std::runtime_error(message), number_(number) {}

    static HostError Overflow(const std::string& property) {
        return {kOverflow,
                "Overflow: the value given to " + property + " lies outside -32768..32767"};
    }
    static HostError TypeMismatch(const std::string& property) {
        return {kTypeMismatch, "Type mismatch: the value stored for " + property +
                                   " is not of the property's type"};
    }
    static HostError InvalidPropertyValue(const std::string& property, long long value) {
        return {kInvalidPropertyValue,
                "Invalid property value " + std::to_string(value) + " for " + property};
    }

    int number() const { return number_; }

  private:
    int number_;
};

}  // namespace agendix::controls
