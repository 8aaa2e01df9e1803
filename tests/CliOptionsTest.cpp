// The console converter's command line.
#include <gtest/gtest.h>

#include "cli/CliOptions.h"
#include "cli/GeotagOptions.h"

namespace nordavel::cli {
namespace {

using Args = std::vector<std::string>;

TEST(CliOptions, DefaultsAndFlags) {
    ParseResult result = ParseArguments({"a.kml"});
    EXPECT_EQ(result.error, "");
    const CsvOptions defaults;
    EXPECT_EQ(result.options.csv, defaults);

    result = ParseArguments({"--no-index", "--rcr", "--no-datetime", "--valid", "--no-snew",
                             "a.kml", "--index", "b.kml"});
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.options.csv, (CsvOptions{true, true, false, true, false}))
        << "the last word wins";
    EXPECT_EQ(result.options.files, (Args{"a.kml", "b.kml"}));
    EXPECT_FALSE(result.options.recursive);
    EXPECT_TRUE(ParseArguments({"-r", "logs"}).options.recursive);
    EXPECT_TRUE(ParseArguments({"logs", "--recursive"}).options.recursive);
}

TEST(CliOptions, CodePageAndFileNames) {
    ParseResult result = ParseArguments({"--codepage", "932", "x.kml"});
    EXPECT_EQ(result.options.codePage.value_or(""), "932");
    result = ParseArguments({"--codepage=CP1252", "--", "--rcr", "-"});
    EXPECT_EQ(result.options.codePage.value_or(""), "CP1252");
    EXPECT_EQ(result.options.files, (Args{"--rcr", "-"}));
    EXPECT_FALSE(result.options.csv.rcr);
}

TEST(CliOptions, FormatAndUtcOffset) {
    EXPECT_EQ(ParseArguments({"a.kml"}).options.format, OutputFormat::Csv);
    ParseResult result = ParseArguments({"--format", "gpx", "--utc-offset", "-05:30", "a.kml"});
    EXPECT_EQ(result.options.format, OutputFormat::Gpx);
    EXPECT_EQ(result.options.gpx.utcOffsetMinutes, -330);
    EXPECT_EQ(result.options.files, (Args{"a.kml"}));
    result = ParseArguments({"--format=gpx", "--format=csv", "--utc-offset=+09:00", "a.kml"});
    EXPECT_EQ(result.options.format, OutputFormat::Csv);
    EXPECT_EQ(result.options.gpx.utcOffsetMinutes, 540);
    for (const Args& wrong : {Args{"--format", "GPX", "a.kml"}, Args{"--utc-offset=9", "a.kml"},
                              Args{"a.kml", "--utc-offset"}, Args{"--formats=gpx", "a.kml"}})
        EXPECT_NE(ParseArguments(wrong).error, "") << wrong.front();
}

TEST(CliOptions, UsageErrors) {
    EXPECT_NE(ParseArguments({}).error, "");
    EXPECT_NE(ParseArguments({"--rcr"}).error, "");
    EXPECT_NE(ParseArguments({"--codepage"}).error, "");
    EXPECT_NE(ParseArguments({"--bogus", "a.kml"}).error, "");
    EXPECT_NE(ParseArguments({"--no-help", "a.kml"}).error, "");
    EXPECT_EQ(ParseArguments({"--help"}).error, "");
    EXPECT_TRUE(ParseArguments({"--version"}).options.version);
}

TEST(GeotagOptions, ValuesAndUsageErrors) {
    const GeotagParseResult parsed = ParseGeotagArguments(
        {"--log", "a.kml", "--log=logs", "--time-zone", "europe/berlin", "--photo-offset", "-90",
         "--max-gap=60", "--max-outside", "0", "-n", "--sidecar", "--overwrite", "-r", "p.jpg"});
    ASSERT_EQ(parsed.error, "");
    const GeotagOptions& options = parsed.options;
    EXPECT_EQ(options.logs, (Args{"a.kml", "logs"}));
    EXPECT_EQ(options.photos, Args{"p.jpg"});
    EXPECT_EQ(options.clock.timeZone->Name(), "Europe/Berlin");
    EXPECT_EQ(options.photoOffsetSeconds, -90);
    EXPECT_EQ(options.limits.maxGapSeconds, 60);
    EXPECT_EQ(options.limits.maxOutsideSeconds, 0);
    EXPECT_TRUE(options.dryRun && options.sidecar && options.overwrite && options.recursive);
    // One clock, exactly; a log and a photo; whole seconds, never negative limits.
    for (const Args& wrong :
         {Args{"--log", "a.kml", "p.jpg"},
          Args{"--utc-offset", "+01:00", "--time-zone", "UTC", "--log", "a", "p"},
          Args{"--utc-offset", "+01:00", "p.jpg"}, Args{"--utc-offset", "+01:00", "--log", "a.kml"},
          Args{"--utc-offset", "+01:00", "--log", "a", "--max-gap", "-5", "p"},
          Args{"--utc-offset", "+01:00", "--log", "a", "--photo-offset", "1.5", "p"},
          Args{"--utc-offset", "+01:00", "--log"}})
        EXPECT_NE(ParseGeotagArguments(wrong).error, "") << wrong.front();
}

} // namespace
} // namespace nordavel::cli
