#include "desktop/SettingsValues.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace nordavel {

namespace {

// a * b / c as Windows' MulDiv computes it, which the font sizes of stored settings were made with.
std::int32_t ScaleRounded(std::int32_t a, std::int32_t b, std::int32_t c) noexcept {
    if (c == 0) return -1;
    std::int64_t product = static_cast<std::int64_t>(a) * b;
    std::int64_t divisor = c;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    // Division truncates toward zero: half the divisor added away from zero rounds halves so.
    const std::int64_t rounded =
        (product < 0 ? product - divisor / 2 : product + divisor / 2) / divisor;
    const bool fits = rounded >= -std::numeric_limits<std::int32_t>::max() &&
                      rounded <= std::numeric_limits<std::int32_t>::max();
    return fits ? static_cast<std::int32_t>(rounded) : -1;
}

} // namespace

std::optional<std::int32_t> ParseInteger(std::string_view text) {
    text.remove_prefix(std::min(text.find_first_not_of(" \t"), text.size()));
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    } else if (text.size() > 1 && text[0] == '$') {
        text.remove_prefix(1);
        base = 16;
    } else if (text.size() > 1 && text[0] == '+' && text[1] != '-') {
        text.remove_prefix(1); // from_chars takes a "-" only
    }
    std::int64_t value = 0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    if (error != std::errc{} || stop != end) return std::nullopt;
    if (base == 16) {
        if (value < 0 || value > 0xFFFFFFFF) return std::nullopt;
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    }
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::int32_t IntegerOr(std::string_view text, std::int32_t fallback) {
    return ParseInteger(text).value_or(fallback);
}

bool BooleanOr(std::string_view text, bool fallback) {
    const std::optional<std::int32_t> value = ParseInteger(text);
    return value ? *value != 0 : fallback;
}

std::string IntegerText(std::int32_t value) {
    return std::to_string(value);
}

std::string WithoutTrailingBackslash(std::string_view folder) {
    std::string result(folder);
    if (result.size() >= 2 && result.back() == '\\' && result[result.size() - 2] != ':')
        result.pop_back();
    return result;
}

std::int32_t ScreenFontSize(std::int32_t size, std::int32_t pixelsPerInch) noexcept {
    return ScaleRounded(size, 96, pixelsPerInch);
}

} // namespace nordavel
