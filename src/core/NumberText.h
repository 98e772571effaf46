#pragma once
// Numbers as text, the same on every locale: a point as the decimal separator and the
// shortest form that reads back to the same value (single precision: at most 7 digits).
#include <optional>
#include <string>
#include <string_view>

namespace mCore {

std::string FormatNumber(double value);
// At most 7 significant digits, as the platform shows a single-precision value: 0.6, not
// 0.60000002; 2.899999 for 2.8999994.
std::string FormatNumber(float value);
std::string FormatNumber(long long value);
inline std::string FormatNumber(int value) { return FormatNumber(static_cast<long long>(value)); }

// Reads a number with blanks allowed around it; nothing when the text is not one number.
std::optional<double> ParseNumber(std::string_view text);

std::string_view Trim(std::string_view text);  // blanks (spaces and tabs) off both ends

}  // namespace mCore
