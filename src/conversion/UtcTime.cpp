#include "conversion/UtcTime.h"

#include <chrono>
#include <cstdint>

namespace nordavel {

namespace {

// The value of the `count` digits at `text[at]`, or -1 when one of them is no digit.
int Digits(std::string_view text, std::size_t at, std::size_t count) noexcept {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

void AppendDigits(std::string& out, std::int64_t value, int count) {
    char digits[4];
    for (int i = count - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out.append(digits, static_cast<std::size_t>(count));
}

} // namespace

std::optional<int> ParseUtcOffset(std::string_view text) {
    if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':')
        return std::nullopt;
    const int hours = Digits(text, 1, 2);
    const int minutes = Digits(text, 4, 2);
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59) return std::nullopt;
    const int offset = hours * 60 + minutes;
    return text[0] == '-' ? -offset : offset;
}

std::optional<std::string> UtcDateTime(std::string_view localText, int offsetMinutes) {
    // YYYY/MM/DD HH:MM:SS
    // 0123456789012345678
    if (localText.size() != 19) return std::nullopt;
    const char separator = localText[4];
    if ((separator != '/' && separator != '-') || localText[7] != separator ||
        localText[10] != ' ' || localText[13] != ':' || localText[16] != ':')
        return std::nullopt;
    const int year = Digits(localText, 0, 4);
    const int month = Digits(localText, 5, 2);
    const int day = Digits(localText, 8, 2);
    const int hour = Digits(localText, 11, 2);
    const int minute = Digits(localText, 14, 2);
    const int second = Digits(localText, 17, 2);
    if (year < 1 || month < 0 || day < 0 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59)
        return std::nullopt;
    namespace chrono = std::chrono;
    const chrono::year_month_day local{chrono::year{year},
                                       chrono::month{static_cast<unsigned>(month)},
                                       chrono::day{static_cast<unsigned>(day)}};
    if (!local.ok()) return std::nullopt;

    const chrono::sys_seconds utc = chrono::sys_days{local} + chrono::hours{hour} +
                                    chrono::minutes{minute} + chrono::seconds{second} -
                                    chrono::minutes{offsetMinutes};
    // A moment before 1970 counts back from it: floor gives its day and a time of day from 0 on.
    const chrono::sys_days utcDay = chrono::floor<chrono::days>(utc);
    const chrono::year_month_day date{utcDay};
    if (date.year() < chrono::year{1} || date.year() > chrono::year{9999}) return std::nullopt;
    const chrono::hh_mm_ss time{utc - utcDay};

    std::string text;
    text.reserve(20);
    AppendDigits(text, static_cast<int>(date.year()), 4);
    text += '-';
    AppendDigits(text, static_cast<unsigned>(date.month()), 2);
    text += '-';
    AppendDigits(text, static_cast<unsigned>(date.day()), 2);
    text += 'T';
    AppendDigits(text, time.hours().count(), 2);
    text += ':';
    AppendDigits(text, time.minutes().count(), 2);
    text += ':';
    AppendDigits(text, time.seconds().count(), 2);
    text += 'Z';
    return text;
}

} // namespace nordavel
