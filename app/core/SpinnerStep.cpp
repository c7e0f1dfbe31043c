#include "app/core/SpinnerStep.h"

#include <algorithm>
#include <charconv>

namespace agendix::app {

int StepSpinner(std::string_view boxText, int current, int step, int minimum, int maximum) {
    const auto first = boxText.find_first_not_of(' ');
    const auto last = boxText.find_last_not_of(' ');
    int shown = current;
    if (first != std::string_view::npos) {
        const std::string_view number = boxText.substr(first, last - first + 1);
        int parsed = 0;
        const auto [end, error] =
            std::from_chars(number.data(), number.data() + number.size(), parsed);
        if (error == std::errc() && end == number.data() + number.size()) {
            shown = parsed;
        } else if (error == std::errc::result_out_of_range) {
            shown = number.front() == '-' ? minimum : maximum;
        }
    }
    const long long stepped = static_cast<long long>(std::clamp(shown, minimum, maximum)) + step;
    return static_cast<int>(std::clamp<long long>(stepped, minimum, maximum));
}

}  // namespace agendix::app
