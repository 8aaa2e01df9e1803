#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How settings values are written and read back.
namespace nordavel {

// An integer as the settings file holds it: decimal digits with an optional sign, or hexadecimal
// after "0x", "0X" or "$" taken as a 32-bit pattern ("0xFFFFFFFF" is -1); leading blanks
// allowed. Anything else, a decimal number outside 32 bits or a hexadecimal one needing more
// than 32 bits, is no integer.
std::optional<std::int32_t> ParseInteger(std::string_view text);
std::int32_t IntegerOr(std::string_view text, std::int32_t fallback);
// A boolean is an integer: 0 is off, any other integer on.
bool BooleanOr(std::string_view text, bool fallback);

std::string IntegerText(std::int32_t value);
inline std::string BooleanText(bool value) {
    return value ? "1" : "0";
}

// The folder as the file-open dialog keeps it: without its trailing "\", unless the "\" follows
// a ":" ("C:\Tools\" becomes "C:\Tools"; "C:\" stays).
std::string WithoutTrailingBackslash(std::string_view folder);

// A font size in points at 96 pixels per inch, made for a screen of `pixelsPerInch` so that the
// text keeps about the pixel height it has at 96: 8 at 120 gives 6. Rounded as Windows' MulDiv
// rounds (halves away from zero); -1 when `pixelsPerInch` is 0 or the size does not fit.
std::int32_t ScreenFontSize(std::int32_t size, std::int32_t pixelsPerInch) noexcept;

} // namespace nordavel
