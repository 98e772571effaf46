#include "core/NumberText.h"

#include <charconv>
#include <cmath>

namespace mCore {

namespace {
template <class T>
std::string ShortestText(T value) {
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (ec != std::errc()) return "0";
    return std::string(buffer, end);
}
}  // namespace

std::string FormatNumber(double value) {
    if (!std::isfinite(value)) return "0";
    if (value == 0) return "0";  // no "-0"
    return ShortestText(value);
}

std::string FormatNumber(float value) {
    if (!std::isfinite(value)) return "0";
    if (value == 0) return "0";
    // The platform's display form of a single-precision number, which the stored files have
    // always held: rounded to 7 significant digits, trailing zeros dropped. A value whose
    // shortest exact form is that short keeps it; longer ones (2.8999994, the sum of tenths
    // the speed keys make) are written as shown (2.899999), not to their last bit.
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 7);
    if (ec != std::errc()) return "0";
    return std::string(buffer, end);
}

std::string FormatNumber(long long value) { return ShortestText(value); }

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::optional<double> ParseNumber(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace mCore
