#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/TrackLayout.h"
#include "zones/TimeZone.h"

// The GPX 1.1 document a conversion writes for geotagging and map programs: one track of one
// segment, a point per record, in UTF-8 whatever the log's character set. Latitude, longitude and
// height are copied as text from the log, as in the CSV file, never parsed into numbers.
namespace nordavel {

// The camera's clock, which GPX times are reckoned from.
struct GpxOptions {
    // The clock keeps the local time of this zone, by the rules in force at each moment. A local
    // time that an hour repeated in autumn gives twice takes the earliest UTC time not before
    // the previous point's, so that the zone never sends times backwards; ambiguous points that
    // begin a log are settled backwards from the first one that is not. A local time that does
    // not exist there (an hour skipped in spring, or outside the zone data) gets no time: it is
    // not guessed.
    std::optional<TimeZone> timeZone;
    // Without a zone: how far the clock runs ahead of UTC.
    int utcOffsetMinutes = 0;
};

// The UTC times of one log's points by the camera's clock, point after point in the log's order,
// as GpxOptions describes them. Shared by every reader of logs that needs UTC, so that a point
// has the same time in each.
class UtcSettler {
public:
    explicit UtcSettler(GpxOptions clock) : clock_(std::move(clock)) {}

    // A new log begins.
    void Restart();
    // The next point's local time (LocalSeconds; none when it is no date and time). The result
    // is the UTC times of the points this one settles, oldest first: none while it waits for a
    // later one to settle it, otherwise those of all points still waiting and then its own.
    // Valid until the next call.
    std::span<const std::optional<std::int64_t>> Add(std::optional<std::int64_t> local);
    // At the end of the log: the times of the points still waiting.
    std::span<const std::optional<std::int64_t>> Finish();
    // How many times of the log were not in the zone.
    std::int32_t NotInZone() const noexcept { return notInZone_; }

private:
    std::optional<std::int64_t> After(const UtcCandidates& times);

    GpxOptions clock_;
    // The time of the last point settled, and the ambiguous points that begin the log while
    // none is.
    std::optional<std::int64_t> previous_;
    std::vector<UtcCandidates> pending_;
    std::vector<std::optional<std::int64_t>> settled_;
    std::int32_t notInZone_ = 0;
};

class GpxTrackLayout : public TrackLayout {
public:
    explicit GpxTrackLayout(GpxOptions options);

    std::string_view Extension() const noexcept override { return ".gpx"; }
    CodePage OutputCodePage(const CodePage& logCodePage) const override;
    // The track is named after the log's file name without folder and extension.
    void WriteStart(TextWriter& out, std::string_view logFileName) override;
    // A point whose latitude or longitude is not a decimal within its range is not written: the
    // document would not be GPX, and a reader would refuse all of it (or, worse, place the point
    // somewhere). The point is skipped and the conversion counts it as such. A height that is
    // no decimal leaves out only the ele element, a time that is no real date and time only the
    // time element.
    bool WriteRecord(TextWriter& out, std::string_view indexText, std::string_view dateTimeText,
                     std::string_view coordinatesText) override;
    void WriteEnd(TextWriter& out) override;
    // How many times were not in the zone, when some were.
    void ReportNotes(ConversionReport& report) const override;

private:
    // A point as it is written: its time goes between the two parts.
    struct TrackPoint {
        std::string head;
        std::string tail;
    };
    void WritePoint(TextWriter& out, const TrackPoint& point, std::optional<std::int64_t> utc);

    UtcSettler times_;
    // The points that wait for their times.
    std::vector<TrackPoint> pending_;
    TrackPoint point_; // reused for every point
    std::string line_;
};

// Text as XML character data or attribute value: & < > " ' as entities, a CR as a character
// reference (a reader would turn a bare one into LF), and every byte that is not part of valid
// UTF-8, and every character XML forbids (the controls but tab, LF and CR; U+FFFE, U+FFFF), as
// U+FFFD. File names on POSIX are bytes, and a log may hold anything.
std::string EscapeXml(std::string_view text);

// True for an xsd:decimal: an optional sign, then digits with at most one "." among or around
// them, at least one digit. No exponent, no blanks.
bool IsDecimal(std::string_view text) noexcept;

// True for a decimal that GPX takes as a latitude (-90 to 90) or a longitude (-180 up to, not
// including, 180; the schema counts 180 as -180).
bool IsLatitude(std::string_view text) noexcept;
bool IsLongitude(std::string_view text) noexcept;

} // namespace nordavel
