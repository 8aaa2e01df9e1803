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

std::optional<std::int64_t> LocalSeconds(std::string_view localText) {
    using namespace std::chrono;
    // YYYY/MM/DD HH:MM:SS
    // 0123456789012345678
    if (localText.size() != 19) return std::nullopt;
    const char separator = localText[4];
    if ((separator != '/' && separator != '-') || localText[7] != separator ||
        localText[10] != ' ' || localText[13] != ':' || localText[16] != ':')
        return std::nullopt;
    const int yearNumber = Digits(localText, 0, 4);
    const int monthNumber = Digits(localText, 5, 2);
    const int dayNumber = Digits(localText, 8, 2);
    const int hour = Digits(localText, 11, 2);
    const int minute = Digits(localText, 14, 2);
    const int second = Digits(localText, 17, 2);
    if (yearNumber < 1 || monthNumber < 0 || dayNumber < 0 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    const year_month_day date{year{yearNumber}, month{static_cast<unsigned>(monthNumber)},
                              day{static_cast<unsigned>(dayNumber)}};
    if (!date.ok()) return std::nullopt;
    return (sys_days{date} + hours{hour} + minutes{minute} + seconds{second})
        .time_since_epoch()
        .count();
}

std::optional<std::string> UtcText(std::int64_t utcSeconds) {
    using namespace std::chrono;
    const sys_seconds moment{seconds{utcSeconds}};
    const sys_days day = floor<days>(moment);
    const year_month_day date{day};
    const int yearNumber = static_cast<int>(date.year());
    if (yearNumber < 1 || yearNumber > 9999) return std::nullopt;
    const std::int64_t timeOfDay = (moment - day).count();

    std::string text;
    text.reserve(20);
    AppendDigits(text, yearNumber, 4);
    text += '-';
    AppendDigits(text, static_cast<unsigned>(date.month()), 2);
    text += '-';
    AppendDigits(text, static_cast<unsigned>(date.day()), 2);
    text += 'T';
    AppendDigits(text, timeOfDay / 3600, 2);
    text += ':';
    AppendDigits(text, timeOfDay / 60 % 60, 2);
    text += ':';
    AppendDigits(text, timeOfDay % 60, 2);
    text += 'Z';
    return text;
}

} // namespace nordavel
