// GPX output: what counts as a position, XML escaping, and the document that a small log
// becomes.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "conversion/ConvertLogFile.h"
#include "conversion/GpxLayout.h"
#include "version/Version.h"
#include "zones/TimeZone.h"

namespace nordavel {
namespace {

using test::CameraLog;
using test::ReadBytes;
using test::WriteBytes;

TEST(GpxLayout, PositionsAreDecimalsWithinRange) {
    for (const char* text : {"0", "-0.5", ".5", "5.", "+12", "90", "-90.000", "0090"})
        EXPECT_TRUE(IsLatitude(text)) << text;
    for (const char* text : {"90.0001", "91", "-100", "1e1", "", "-", ".", "1.2.3", " 5", "nan",
                             "1,5", "--5", "1000000000000000000000090"})
        EXPECT_FALSE(IsLatitude(text)) << text;
    for (const char* text : {"-180", "-180.0", "179.999999"})
        EXPECT_TRUE(IsLongitude(text)) << text;
    for (const char* text : {"180", "180.0", "-180.000001", "200"})
        EXPECT_FALSE(IsLongitude(text)) << text;
}

TEST(GpxLayout, EscapingKeepsTextAndMakesItValidXml) {
    const std::string fffd = "\xEF\xBF\xBD";
    EXPECT_EQ(EscapeXml("a&b<c>d\"e'f\tg\nh\r"), "a&amp;b&lt;c&gt;d&quot;e&apos;f\tg\nh&#13;");
    EXPECT_EQ(EscapeXml("\xC3\x84\xE6\x97\xA5\xF0\x9F\x97\xBA"),
              "\xC3\x84\xE6\x97\xA5\xF0\x9F\x97\xBA");
    // Bytes that are no UTF-8 (cut short, overlong, surrogate, above U+10FFFF), and characters
    // that XML does not allow, each become U+FFFD.
    const std::pair<std::string, int> invalid[] = {
        {"\xFF", 1},         {"\xE6\x97", 2},         {"\xC0\xAF", 2},
        {"\xED\xA0\x80", 3}, {"\xF4\x90\x80\x80", 4}, {std::string("\x01\x00\x1F", 3), 3},
        {"\xEF\xBF\xBE", 1}};
    for (const auto& [text, replacements] : invalid) {
        std::string expected;
        for (int i = 0; i < replacements; ++i)
            expected += fffd;
        EXPECT_EQ(EscapeXml(text), expected) << testing::PrintToString(text);
    }
}

TEST(GpxLayout, SmallLogBecomesOneTrack) {
    test::TempDir dir;
    test::RecordingReport report;
    GpxTrackLayout layout({.timeZone = {}, .utcOffsetMinutes = 9 * 60});
    const std::string log = dir.File("trip & 'a'.KML");
    WriteBytes(log, CameraLog({
                        {"1\x83\x41", "2023/07/06 08:15:30", "+139.7671 , +35.6812 , 40.0"},
                        {"2", "2023/07/06 10:15:40", "-58.3816,-34.6037,-3"},
                        {"3 &amp; b", "2023/02/30 10:15:50", "151.2093,-33.8688,"},
                        {"4", "2023/07/06 10:16:00", "1.5e+2,35.6,12"},
                        {"", "2023/07/06 10:16:10", "-122.4194,37.7749,1.5e+2"},
                    }));
    const ConversionOutcome outcome =
        ConvertLogFile(log, layout, report, *CodePage::FromName("932"));
    EXPECT_EQ(outcome.result, ConversionResult::Converted);
    EXPECT_EQ(outcome.records, 4) << "the point without a valid longitude is not counted";
    EXPECT_EQ(
        ReadBytes(dir.File("trip & 'a'.gpx")),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\" creator=\"Nordavel " +
            std::string(kVersionString) +
            "\">\r\n  <trk>\r\n    <name>trip &amp; &apos;a&apos;</name>\r\n    <trkseg>\r\n"
            "      <trkpt lat=\"35.6812\" lon=\"139.7671\"><ele>40.0</ele>"
            "<time>2023-07-05T23:15:30Z</time><name>1\xE3\x82\xA2</name></trkpt>\r\n"
            "      <trkpt lat=\"-34.6037\" lon=\"-58.3816\"><ele>-3</ele>"
            "<time>2023-07-06T01:15:40Z</time><name>2</name></trkpt>\r\n"
            "      <trkpt lat=\"-33.8688\" lon=\"151.2093\"><name>3 &amp;amp; b</name>"
            "</trkpt>\r\n"
            "      <trkpt lat=\"37.7749\" lon=\"-122.4194\"><time>2023-07-06T01:16:10Z</time>"
            "</trkpt>\r\n    </trkseg>\r\n  </trk>\r\n</gpx>\r\n");
    EXPECT_EQ(report.lines.at(2), "  Skipped for lack of a valid position: 1 records");
    EXPECT_EQ(report.lines.at(3), "  Output: 4 records");

    // With no point to write, an earlier GPX file stays.
    WriteBytes(dir.File("bad.gpx"), "earlier");
    WriteBytes(dir.File("bad.kml"), CameraLog({{"1", "2023/07/06 10:00:00", "180,0,0"}}));
    EXPECT_EQ(
        ConvertLogFile(dir.File("bad.kml"), layout, report, *CodePage::FromName("1252")).result,
        ConversionResult::NoRecords);
    EXPECT_EQ(ReadBytes(dir.File("bad.gpx")), "earlier");
    EXPECT_EQ(report.lines.at(report.lines.size() - 2), "  No valid data");
}

// The times of the points of `log` converted with the rules of `zone`, "-" for none.
std::vector<std::string> ZoneTimes(const char* zone, const std::vector<const char*>& localTimes,
                                   std::vector<std::string>* reportLines = nullptr) {
    test::TempDir dir;
    test::RecordingReport report;
    GpxTrackLayout layout({.timeZone = TimeZone::Find(zone)});
    std::vector<test::TrackPoint> points;
    for (const char* local : localTimes)
        points.push_back({"p", local, "13.4,52.5,30"});
    WriteBytes(dir.File("z.kml"), CameraLog(points));
    ConvertLogFile(dir.File("z.kml"), layout, report, *CodePage::FromName("1252"));
    std::vector<std::string> times;
    const std::string gpx = ReadBytes(dir.File("z.gpx"));
    for (std::size_t at = gpx.find("<trkpt"); at != std::string::npos;
         at = gpx.find("<trkpt", at + 1)) {
        const std::size_t time = gpx.find("<time>", at);
        times.push_back(time < gpx.find("</trkpt>", at) ? gpx.substr(time + 6, 20) : "-");
    }
    if (reportLines) *reportLines = report.lines;
    return times;
}

TEST(GpxLayout, TimeZonesNeverSendTimesBackwardsNorGuess) {
    using Times = std::vector<std::string>;
    // Berlin repeats 02:00 to 03:00 on 2023-10-29: after 01:59 the first pass, after the change
    // the second; 02:30 on 2023-03-26 does not exist.
    std::vector<std::string> lines;
    EXPECT_EQ(ZoneTimes("Europe/Berlin",
                        {"2023/10/29 01:59:00", "2023/10/29 02:30:00", "2023/10/29 03:00:00",
                         "2023/10/29 02:10:00", "2023/03/26 02:30:00", "2023/02/30 10:00:00"},
                        &lines),
              (Times{"2023-10-28T23:59:00Z", "2023-10-29T00:30:00Z", "2023-10-29T02:00:00Z",
                     "2023-10-29T01:10:00Z", "-", "-"}));
    EXPECT_EQ(lines.at(2), "  Times not in the zone: 1 records") << "not the date that is none";
    // Ambiguous points that begin a log are settled backwards from the first certain one.
    EXPECT_EQ(ZoneTimes("Europe/Berlin", {"2023/10/29 02:10:00", "2023/10/29 02:50:00",
                                          "2023/10/29 02:20:00", "2023/10/29 03:30:00"}),
              (Times{"2023-10-29T00:10:00Z", "2023-10-29T00:50:00Z", "2023-10-29T01:20:00Z",
                     "2023-10-29T02:30:00Z"}));
    EXPECT_EQ(ZoneTimes("Europe/Berlin", {"2023/10/29 02:10:00", "2023/10/29 02:20:00"}),
              (Times{"2023-10-29T00:10:00Z", "2023-10-29T00:20:00Z"}))
        << "only ambiguous times: the earliest first";
    // The rules stand written out to 2099, never extrapolated past them; an alias works.
    EXPECT_EQ(ZoneTimes("us/EASTERN",
                        {"2040/07/01 12:00:00", "2100/07/01 12:00:00", "1969/12/31 12:00:00"}),
              (Times{"2040-07-01T16:00:00Z", "-", "-"}));
}

} // namespace
} // namespace nordavel
