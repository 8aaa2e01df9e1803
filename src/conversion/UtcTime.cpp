#include "conversion/UtcTime.h"

#include <cstdint>

namespace nordavel {

namespace {

constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;

// The value of the `count` digits at `text[at]`, or -1 when one of them is no digit.
int Digits(std::string_view text, std::size_t at, std::size_t count) noexcept {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool IsLeapYear(std::int64_t year) noexcept {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(std::int64_t year, int month) noexcept {
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 (H. Hinnant's days_from_civil): years counted from March, so that the
// leap day ends a year, in 400-year eras of 146097 days.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) noexcept {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

struct CivilDate {
    std::int64_t year;
    int month;
    int day;
};

// The inverse of DaysFromCivil.
CivilDate CivilFromDays(std::int64_t days) noexcept {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    const int month =
        static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
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
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;

    const std::int64_t utc = DaysFromCivil(year, month, day) * kSecondsPerDay +
                             (hour * 60 + minute - offsetMinutes) * std::int64_t{60} + second;
    // Floor division: a moment before 1970 has a negative day number and a positive time of day.
    std::int64_t days = utc / kSecondsPerDay;
    std::int64_t timeOfDay = utc % kSecondsPerDay;
    if (timeOfDay < 0) {
        timeOfDay += kSecondsPerDay;
        --days;
    }
    const CivilDate date = CivilFromDays(days);
    if (date.year < 1 || date.year > 9999) return std::nullopt;

    std::string text;
    text.reserve(20);
    AppendDigits(text, date.year, 4);
    text += '-';
    AppendDigits(text, date.month, 2);
    text += '-';
    AppendDigits(text, date.day, 2);
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
