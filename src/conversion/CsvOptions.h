#pragma once

#include <cstdint>
#include <string_view>

namespace nordavel {

// The five column options of the CSV file.
struct CsvOptions {
    bool index = true;    // INDEX column: the placemark's index text
    bool rcr = false;     // RCR column: always T
    bool dateTime = true; // one TIME column with date and time instead of DATE and TIME
    bool valid = false;   // VALID column: always SPS
    bool snew = true;     // unsigned latitude and longitude, each followed by its N/S or E/W
    bool operator==(const CsvOptions&) const = default;
};

// An option as every part of the program knows it: the settings file, the command line and the
// window each take what they need from its row, so that an option is described once.
struct CsvOptionRow {
    bool CsvOptions::*field;
    std::string_view iniKey;  // in the settings file's [CSVopt] section
    std::uint8_t iniPosition; // where the settings file has the key: files written so far keep it
    std::string_view flag;    // --FLAG and --no-FLAG on the command line
    std::string_view usage;   // the command line's help for it
    std::string_view caption; // the window's check box
    std::string_view hint;    // the check box's tooltip
};

// In the order the user meets them: the CSV file's columns, the check boxes, the help text.
inline constexpr CsvOptionRow kCsvOptionRows[] = {
    {&CsvOptions::index, "Index", 0, "index", "INDEX column", "Index", "Output the index item"},
    {&CsvOptions::rcr, "RCR", 3, "rcr", "RCR column, always T", "RCR", "Output the RCR item"},
    {&CsvOptions::dateTime, "DateTime", 1, "datetime", "date and time in one TIME column",
     "Date+Time", "Date and time to item \"TIME\""},
    {&CsvOptions::valid, "VALID", 4, "valid", "VALID column, always SPS", "VALID",
     "Output the VALID item"},
    {&CsvOptions::snew, "SNEW", 2, "snew", "unsigned coordinates with N/S and E/W columns",
     "S/N,E/W", "S/N, E/W to separating item"},
};

} // namespace nordavel
