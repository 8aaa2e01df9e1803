// The camera's local time as UTC for GPX: calendar edges, offsets, and what is no time at all.
#include <gtest/gtest.h>

#include "conversion/UtcTime.h"
#include "zones/TimeZone.h"
#include "zones/WindowsZones.h"

namespace nordavel {
namespace {

// The UTC text of a log's local time on a clock `offsetMinutes` ahead of UTC, as GPX has it.
std::optional<std::string> UtcDateTime(std::string_view localText, int offsetMinutes) {
    const std::optional<std::int64_t> local = LocalSeconds(localText);
    if (!local) return std::nullopt;
    return UtcText(*local - std::int64_t{offsetMinutes} * 60);
}

TEST(UtcTime, OffsetsCrossDaysMonthsYearsAndLeapDays) {
    struct Row {
        const char* local;
        int offset;
        const char* utc;
    } const rows[] = {
        {"2023/07/06 12:34:56", 9 * 60, "2023-07-06T03:34:56Z"},
        {"2023-07-06 05:00:00", 9 * 60, "2023-07-05T20:00:00Z"},
        {"2023/05/01 00:00:00", 1, "2023-04-30T23:59:00Z"},
        {"2023/12/31 22:30:00", -150, "2024-01-01T01:00:00Z"},
        {"2024/03/01 01:00:00", 120, "2024-02-29T23:00:00Z"},
        {"2023/03/01 01:00:00", 120, "2023-02-28T23:00:00Z"},
        {"1900/03/01 00:30:00", 60, "1900-02-28T23:30:00Z"},
        {"2000/03/01 00:30:00", 60, "2000-02-29T23:30:00Z"},
        {"1970/01/01 00:00:00", 1, "1969-12-31T23:59:00Z"},
        {"0001/01/01 00:00:00", -1439, "0001-01-01T23:59:00Z"},
        {"9999/12/31 23:59:59", 0, "9999-12-31T23:59:59Z"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(UtcDateTime(row.local, row.offset).value_or("none"), row.utc) << row.local;
}

TEST(UtcTime, OnlyRealMomentsInTheTwoFormsGiveATime) {
    for (const char* text : {"2023/02/29 12:00:00", "2024/02/30 12:00:00", "2023/04/31 12:00:00",
                             "2023/13/01 12:00:00", "2023/00/10 12:00:00", "2023/07/00 12:00:00",
                             "2023/07/06 24:00:00", "2023/07/06 12:60:00", "2023/07/06 12:00:60",
                             "0000/07/06 12:00:00", "2023/07/06  12:34:56", "2023/07-06 12:34:56",
                             "2023/7/6 12:34:56", "2023/07/06 12:34:56.5", "2023/07/06t12:34:56",
                             "2o23/07/06 12:34:56", "+023/07/06 12:34:56", "12:34:56", ""})
        EXPECT_FALSE(UtcDateTime(text, 0)) << text;
    // UTC years that xsd:dateTime cannot hold.
    EXPECT_FALSE(UtcDateTime("0001/01/01 00:30:00", 60));
    EXPECT_FALSE(UtcDateTime("9999/12/31 23:00:00", -120));
}

TEST(UtcTime, Offsets) {
    EXPECT_EQ(ParseUtcOffset("+09:00"), 540);
    EXPECT_EQ(ParseUtcOffset("-05:30"), -330);
    EXPECT_EQ(ParseUtcOffset("-00:00"), 0);
    EXPECT_EQ(ParseUtcOffset("+23:59"), 1439);
    for (const char* text : {"09:00", "+9:00", "+24:00", "+09:60", "+0900", "+09:00:00", "", "Z"})
        EXPECT_FALSE(ParseUtcOffset(text)) << text;
}

TEST(TimeZone, NamesAndAliasesInAnyLetterCase) {
    EXPECT_EQ(TimeZone::Find("europe/BERLIN")->Name(), "Europe/Berlin");
    EXPECT_EQ(TimeZone::Find("US/Eastern")->Name(), "America/New_York");
    EXPECT_EQ(TimeZone::Find("utc")->Name(), "Etc/UTC");
    for (const char* unknown : {"Europe/Atlantis", "Berlin", "", "Europe/Berlin/"})
        EXPECT_FALSE(TimeZone::Find(unknown)) << unknown;
    EXPECT_EQ(TimeZone::NamesContaining("berlin", 5), std::vector<std::string>{"Europe/Berlin"});
    EXPECT_EQ(TimeZone::NamesContaining("america/", 5).size(), 5u);
    EXPECT_TRUE(TimeZone::NamesContaining("Atlantis", 5).empty());
}

// Every name is found, so the table is in the order the search takes, and its zone is in the zone
// data; Windows writes each name one way only. (ZoneChoice's test has the common names.)
TEST(WindowsZones, EveryNameFoundExactlyAndItsZoneKnown) {
    for (std::size_t i = 0; i < zones::kWindowsZoneCount; ++i) {
        const zones::WindowsZoneEntry& entry = zones::kWindowsZones[i];
        EXPECT_EQ(IanaZoneOfWindowsZone(entry.windowsName), entry.ianaZone);
        EXPECT_TRUE(TimeZone::Find(entry.ianaZone)) << entry.windowsName;
    }
    EXPECT_EQ(IanaZoneOfWindowsZone("Lord Howe Standard Time"), "Australia/Lord_Howe");
    EXPECT_FALSE(IanaZoneOfWindowsZone("w. europe standard time"));
    EXPECT_FALSE(IanaZoneOfWindowsZone("W. Europe Standard"));
}

} // namespace
} // namespace nordavel
