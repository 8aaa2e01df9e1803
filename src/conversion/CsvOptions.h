#pragma once

#include <cstdint>

namespace nordavel {

// The five output options, named as the settings keys and check boxes that hold them.
struct TCsvOptions {
    bool Index = true;    // INDEX column: the placemark's index text
    bool RCR = false;     // RCR column: always T
    bool DateTime = true; // one TIME column with date and time instead of DATE and TIME
    bool VALID = false;   // VALID column: always SPS
    bool SNEW = true;     // unsigned latitude and longitude, each followed by its N/S or E/W
};

// What one conversion achieved. Completed: Count records were written (0: the CSV file was not
// kept). Not completed: Count is one of the failure codes below.
struct TConversionOutcome {
    bool Completed = false;
    std::int32_t Count = 0;
};

inline constexpr std::int32_t kLogNotOpened = -1;
inline constexpr std::int32_t kCsvNotCreated = -2;
inline constexpr std::int32_t kNotCameraLog = -3;
// A line, or an element's text joined over lines, longer than the reader's limit.
inline constexpr std::int32_t kLineTooLong = -4;

} // namespace nordavel
