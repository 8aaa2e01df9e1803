#pragma once

#include <cstdint>
#include <optional>
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
        UtcCandidates times;
    };
    void Settle(TextWriter& out, TrackPoint& point);
    void WritePoint(TextWriter& out, const TrackPoint& point, std::optional<std::int64_t> utc);

    GpxOptions clock_;
    // Of the log being written: the time of the last point settled, the ambiguous points that
    // begin it while none is settled, and how many times were not in the zone.
    std::optional<std::int64_t> previous_;
    std::vector<TrackPoint> pending_;
    std::int32_t notInZone_ = 0;
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
