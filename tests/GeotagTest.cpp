// Placing photos on the logs' tracks: the tracks' UTC times, the photos' times, the positions
// found between fixes, and the XMP sidecar.
#include <gtest/gtest.h>

#include <sstream>

#include "TestSupport.h"
#include "conversion/UtcTime.h"
#include "geotag/Locate.h"
#include "geotag/PhotoTime.h"
#include "geotag/Track.h"
#include "geotag/Xmp.h"

namespace nordavel::geotag {
namespace {

// "2023-10-29T00:10:00Z", with "+micro" when the moment has any.
std::string Moment(std::int64_t utcMicroseconds) {
    const std::int64_t micro = utcMicroseconds % 1'000'000;
    return *UtcText(utcMicroseconds / 1'000'000) + (micro ? "+" + std::to_string(micro) : "");
}

std::int64_t At(std::int64_t seconds) {
    return seconds * 1'000'000;
}

TEST(Geotag, TracksHaveTheTimesOfTheGpxOutput) {
    test::TempDir dir;
    test::RecordingReport report;
    const CodePage cp1252 = *CodePage::FromName("1252");
    // Berlin repeats 02:00 to 03:00 on 2023-10-29 and skips 02:30 on 2023-03-26: the ambiguous
    // points that begin the log are settled backwards from 03:30, the one after it takes the
    // latest time not after it; the fixes come in time order.
    test::WriteBytes(dir.File("a.kml"), test::CameraLog({
                                            {"1", "2023/10/29 02:10:00", "+13.4,+52.5,+30"},
                                            {"2", "2023/10/29 02:50:00", "200,52.5,30"},
                                            {"3", "2023/03/26 02:30:00", "13.4,52.5,30"},
                                            {"4", "2023/10/29 02:50:00", "13.5,52.6,x"},
                                            {"5", "2023/10/29 03:30:00", "13.6,52.7,31.5"},
                                            {"6", "2023/10/29 02:20:00", "13.7,52.8,"},
                                        }));
    const std::optional<Track> track =
        ReadTrack(dir.File("a.kml"), {.timeZone = TimeZone::Find("Europe/Berlin")}, report, cp1252);
    ASSERT_TRUE(track);
    std::vector<std::string> fixes;
    for (const Fix& fix : track->fixes)
        fixes.push_back(Moment(fix.utcMicroseconds) + " " + fix.latitudeText + " " +
                        fix.longitudeText + " " + fix.heightText.value_or("-"));
    EXPECT_EQ(fixes, (std::vector<std::string>{"2023-10-29T01:10:00Z 52.5 13.4 30",
                                               "2023-10-29T01:20:00Z 52.8 13.7 -",
                                               "2023-10-29T01:50:00Z 52.6 13.5 -",
                                               "2023-10-29T02:30:00Z 52.7 13.6 31.5"}));
    EXPECT_EQ(track->fixes[3].height, 31.5);
    EXPECT_TRUE(report.lines.empty());

    test::WriteBytes(dir.File("b.kml"), "<kml><name>other log</name></kml>");
    EXPECT_FALSE(ReadTrack(dir.File("b.kml"), {}, report, cp1252));
    EXPECT_FALSE(ReadTrack(dir.File("none.kml"), {}, report, cp1252));
    EXPECT_EQ(report.lines, (std::vector<std::string>{
                                "  Not file of \"EXILIM LOG\": " + dir.File("b.kml"), "  Error!!",
                                "", "Not found: " + dir.File("none.kml"), ""}));
}

TEST(Geotag, PhotoTimesByTagZoneOrFixedOffset) {
    struct Row {
        const char *dateTime, *subSec, *tag;
        bool berlin;
        std::int64_t photoOffset;
        OffsetSource source;
        std::vector<std::string> utc;
    };
    using enum OffsetSource;
    const Row rows[] = {
        {"2023:07:06 10:15:30", "5", "-03:30", true, 0, Tag, {"2023-07-06T13:45:30Z+500000"}},
        {"2023:07:06 10:15:30", "123456789", "", true, 0, Zone, {"2023-07-06T08:15:30Z+123456"}},
        {"2023:07:06 10:15:30", "12a", "+9:00", false, 0, Fixed, {"2023-07-06T09:15:30Z"}},
        {"2023:07:06 10:15:30", "", "", false, -90, Fixed, {"2023-07-06T09:14:00Z"}},
        {"2023:03:26 02:30:00", "", "", true, 0, Zone, {}},
        {"2023:03:26 03:00:30", "", "", true, -60, Zone, {}},
        {"2023:10:29 02:30:00",
         "",
         "",
         true,
         0,
         Zone,
         {"2023-10-29T00:30:00Z", "2023-10-29T01:30:00Z"}},
        {"2023:02:29 10:00:00", "", "+01:00", true, 0, Tag, {}},
        {"2023-07-06 10:15:30", "", "", false, 0, Fixed, {}},
        {"2023:07:06 10:15:3", "", "", false, 0, Fixed, {}},
    };
    for (const Row& row : rows) {
        const GpxOptions clock{.timeZone =
                                   row.berlin ? TimeZone::Find("Europe/Berlin") : std::nullopt,
                               .utcOffsetMinutes = 60};
        const PhotoTime time =
            PhotoTimeOf(row.dateTime, row.subSec, row.tag, clock, row.photoOffset);
        std::vector<std::string> utc;
        for (std::int64_t moment : time.utcMicroseconds)
            utc.push_back(Moment(moment));
        EXPECT_EQ(utc, row.utc) << row.dateTime << " " << row.tag;
        EXPECT_EQ(time.source, row.source) << row.dateTime << " " << row.tag;
    }
}

Fix MakeFix(std::int64_t seconds, const char* latitude, const char* longitude,
            std::optional<std::string> height = {}) {
    return {.utcMicroseconds = At(seconds),
            .latitude = std::stod(latitude),
            .longitude = std::stod(longitude),
            .latitudeText = latitude,
            .longitudeText = longitude,
            .height = height ? std::optional(std::stod(*height)) : std::nullopt,
            .heightText = height};
}

TEST(Geotag, LocateInterpolatesWithinOneTrackAndPrefersIt) {
    // A gap of 4900 s in the first track, over the limit; 90 s from the second track to the
    // third, never bridged; the third crosses the date line.
    const std::vector<Track> tracks = {
        {"a",
         {MakeFix(0, "35.0", "139.0", "10"), MakeFix(100, "35.1", "139.2", "20.50"),
          MakeFix(5000, "36", "140")}},
        {"b", {MakeFix(3000, "40.0", "10.0"), MakeFix(3010, "40.1", "10.1", "5")}},
        {"c", {MakeFix(3100, "41", "179.9"), MakeFix(3110, "-41", "-179.9")}},
        {"d", {MakeFix(3006, "50", "20"), MakeFix(9000, "0", "-179.9")}},
    };
    struct Row {
        std::int64_t utcMicroseconds;
        const char* expected; // latitude longitude height interpolated secondsToFix
    };
    const Row rows[] = {
        {At(50), "35.0500000 139.1000000 15.25 1 50"},
        {At(25) + 500'000, "35.0255000 139.0510000 12.68 1 25.5"},
        {At(100), "35.1 139.2 20.50 0 0"},
        {At(160), "35.1 139.2 20.50 0 60"},
        {At(1000), "none"},
        {At(3005), "40.0500000 10.0500000 - 1 5"},
        {At(3050), "40.1 10.1 5 0 40"},
        {At(3108), "-24.6000000 -179.9400000 - 1 2"},
        {At(8900), "0 -179.9 - 0 100"},
    };
    for (const Row& row : rows) {
        const std::optional<Position> position = Locate(tracks, row.utcMicroseconds, {});
        std::ostringstream text;
        if (position) {
            EXPECT_EQ(position->utcMicroseconds, row.utcMicroseconds);
            text << position->latitude << " " << position->longitude << " "
                 << position->height.value_or("-") << " " << position->interpolated << " "
                 << position->secondsToFix;
        }
        EXPECT_EQ(position ? text.str() : "none", row.expected) << Moment(row.utcMicroseconds);
    }
    EXPECT_FALSE(Locate(tracks, At(8900), {.maxGapSeconds = 1800, .maxOutsideSeconds = 99}));
    EXPECT_FALSE(Locate({}, At(0), {}));
}

TEST(Geotag, DistanceOfKnownPairs) {
    EXPECT_NEAR(DistanceMetres(0, 0, 0, 1), 111195.080, 0.001);
    EXPECT_NEAR(DistanceMetres(0, 179.5, 0, -179.5), 111195.080, 0.001);
    EXPECT_NEAR(DistanceMetres(90, 0, -90, 0), 20015114.44, 0.01);
    EXPECT_NEAR(DistanceMetres(52.52, 13.405, 48.8566, 2.3522), 877464, 1);
}

// ExifTool reads a sidecar back in tests/geotag/photos.py; here the forms of each hemisphere.
TEST(Geotag, XmpSidecarHoldsThePositionInXmpForms) {
    const Position position{.utcMicroseconds = At(1'688'606'130) + 500'000,
                            .latitude = "-35.68123456",
                            .longitude = "139.5",
                            .height = "-3.5"};
    const std::string xmp = XmpSidecar(position);
    for (const char* attribute :
         {"exif:GPSVersionID=\"2.3.0.0\"", "exif:GPSLatitude=\"35,40.874076S\"",
          "exif:GPSLongitude=\"139,30.000000E\"", "exif:GPSAltitude=\"35/10\"",
          "exif:GPSAltitudeRef=\"1\"", "exif:GPSTimeStamp=\"2023-07-06T01:15:30.500000Z\""})
        EXPECT_NE(xmp.find(attribute), std::string::npos) << attribute << "\n" << xmp;
    // Rounded to seven decimals of a degree; no height, no altitude.
    const std::string small =
        XmpSidecar({.latitude = "0.00000005", .longitude = "-0.5", .height = std::nullopt});
    EXPECT_NE(small.find("\"0,00.000006N\""), std::string::npos) << small;
    EXPECT_NE(small.find("\"0,30.000000W\""), std::string::npos) << small;
    EXPECT_EQ(small.find("GPSAltitude"), std::string::npos) << small;
}

} // namespace
} // namespace nordavel::geotag
