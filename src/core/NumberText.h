#pragma once
// Numbers as text, the same on every locale: a point as the decimal separator and the
// shortest form that reads back to the same value.
#include <optional>
#include <string>
#include <string_view>

namespace mCore {

std::string FormatNumber(double value);
std::string FormatNumber(float value);  // shortest form of the single-precision value: 0.6, not 0.60000002
std::string FormatNumber(long long value);
inline std::string FormatNumber(int value) { return FormatNumber(static_cast<long long>(value)); }

// Reads a number with blanks allowed around it; nothing when the text is not one number.
std::optional<double> ParseNumber(std::string_view text);

std::string_view Trim(std::string_view text);  // blanks (spaces and tabs) off both ends

}  // namespace mCore
