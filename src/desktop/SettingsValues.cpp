#include "desktop/SettingsValues.h"

#include <cstdlib>
#include <limits>

namespace nordavel {

namespace {

int HexDigit(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<std::int32_t> ParseInteger(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    std::string_view hex;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        hex = text.substr(2);
    } else if (text.size() > 1 && text[0] == '$') {
        hex = text.substr(1);
    }
    if (!hex.empty()) {
        std::uint64_t value = 0;
        for (char c : hex) {
            const int digit = HexDigit(c);
            if (digit < 0) return std::nullopt;
            value = value * 16 + static_cast<unsigned>(digit);
            if (value > 0xFFFFFFFFull) return std::nullopt;
        }
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > 2147483648LL) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
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

std::string DialogFolder(std::string_view folder) {
    std::string result(folder);
    if (result.size() >= 2 && result.back() == '\\' && result[result.size() - 2] != ':')
        result.pop_back();
    return result;
}

std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c) noexcept {
    if (c == 0) return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const std::uint64_t magnitude = static_cast<std::uint64_t>(product < 0 ? -product : product);
    const std::uint64_t divisor =
        static_cast<std::uint64_t>(c < 0 ? -static_cast<std::int64_t>(c) : c);
    const std::uint64_t rounded = (magnitude + divisor / 2) / divisor;
    if (rounded > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return -1;
    const auto result = static_cast<std::int32_t>(rounded);
    return negative ? -result : result;
}

std::int32_t ScreenFontSize(std::int32_t size, std::int32_t pixelsPerInch) noexcept {
    return MulDiv(size, 96, pixelsPerInch);
}

} // namespace nordavel
