#include "conversion/GpxLayout.h"

#include "base/TextUtil.h"
#include "conversion/ConversionReport.h"
#include "conversion/CsvLayout.h"
#include "conversion/UtcTime.h"
#include "version/Version.h"

namespace nordavel {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// XML 1.0 allows every Unicode character but most C0 controls and U+FFFE, U+FFFF.
bool IsXmlCharacter(std::string_view character) noexcept {
    if (character.size() == 1) {
        const char c = character.front();
        return !IsTrimmable(c) || c == ' ' || c == '\t' || c == '\n' || c == '\r';
    }
    return character != "\xEF\xBF\xBE" && character != "\xEF\xBF\xBF";
}

// Compares the digits before the point with `limit`: below, equal, or above.
int CompareWholeDegrees(std::string_view digits, unsigned limit) noexcept {
    while (!digits.empty() && digits.front() == '0')
        digits.remove_prefix(1);
    if (digits.size() > 3) return 1;
    unsigned whole = 0;
    for (char c : digits)
        whole = whole * 10 + static_cast<unsigned>(c - '0');
    return whole < limit ? -1 : (whole == limit ? 0 : 1);
}

// A decimal within -limit to +limit, the +limit itself only when `limitIncluded`.
bool WithinDegrees(std::string_view text, unsigned limit, bool limitIncluded) noexcept {
    if (!IsDecimal(text)) return false;
    bool negative = false;
    if (text.front() == '+' || text.front() == '-') {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const std::size_t point = text.find('.');
    const int whole = CompareWholeDegrees(text.substr(0, point), limit);
    if (whole != 0) return whole < 0;
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if (fraction.find_first_not_of('0') != std::string_view::npos) return false;
    return negative || limitIncluded;
}

} // namespace

std::string EscapeXml(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    while (!text.empty()) {
        const std::size_t length = CharacterLength(text);
        switch (text.front()) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&apos;";
            break;
        case '\r':
            escaped += "&#13;";
            break;
        default:
            if (length != 0 && IsXmlCharacter(text.substr(0, length))) {
                escaped += text.substr(0, length);
            } else {
                escaped += kReplacement;
            }
        }
        text.remove_prefix(length == 0 ? 1 : length);
    }
    return escaped;
}

bool IsDecimal(std::string_view text) noexcept {
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    bool digit = false;
    bool point = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

bool IsLatitude(std::string_view text) noexcept {
    return WithinDegrees(text, 90, true);
}

bool IsLongitude(std::string_view text) noexcept {
    return WithinDegrees(text, 180, false);
}

void UtcSettler::Restart() {
    previous_.reset();
    pending_.clear();
    notInZone_ = 0;
}

std::span<const std::optional<std::int64_t>> UtcSettler::Add(std::optional<std::int64_t> local) {
    settled_.clear();
    if (!clock_.timeZone) {
        settled_.push_back(local
                               ? std::optional(*local - std::int64_t{clock_.utcOffsetMinutes} * 60)
                               : std::nullopt);
        return settled_;
    }
    const UtcCandidates times = local ? clock_.timeZone->UtcTimesOf(*local) : UtcCandidates{};
    if (local && times.count == 0) ++notInZone_;
    if (previous_) {
        settled_.push_back(After(times));
        return settled_;
    }
    if (times.count != 1) {
        // Nothing to settle it by yet; a point without a time waits too, to keep its place.
        pending_.push_back(times);
        return {};
    }
    // The first time that is certain settles the ones before it, backwards: each takes the
    // latest time not after the next one's, the earliest where none is.
    std::int64_t next = times.times[0];
    settled_.resize(pending_.size() + 1);
    for (std::size_t i = pending_.size(); i-- > 0;) {
        const UtcCandidates& earlier = pending_[i];
        if (earlier.count == 0) continue;
        std::size_t chosen = earlier.count - 1;
        while (chosen > 0 && earlier.times[chosen] > next)
            --chosen;
        next = earlier.times[chosen];
        settled_[i] = next;
    }
    pending_.clear();
    previous_ = times.times[0];
    settled_.back() = previous_;
    return settled_;
}

std::optional<std::int64_t> UtcSettler::After(const UtcCandidates& times) {
    if (times.count == 0) return std::nullopt;
    // The earliest time not before the previous point's; the latest where all are.
    std::size_t chosen = 0;
    while (chosen + 1 < times.count && times.times[chosen] < *previous_)
        ++chosen;
    previous_ = times.times[chosen];
    return previous_;
}

std::span<const std::optional<std::int64_t>> UtcSettler::Finish() {
    // A log of nothing but ambiguous times: the first takes its earliest, the rest follow it.
    settled_.clear();
    for (const UtcCandidates& times : pending_) {
        if (!previous_ && times.count > 0) previous_ = times.times[0];
        settled_.push_back(previous_ ? After(times) : std::nullopt);
    }
    pending_.clear();
    return settled_;
}

GpxTrackLayout::GpxTrackLayout(GpxOptions options) : times_(std::move(options)) {}

CodePage GpxTrackLayout::OutputCodePage(const CodePage&) const {
    // UTF-8 by its Windows number, which every platform knows.
    static const CodePage utf8 = *CodePage::FromName("65001");
    return utf8;
}

void GpxTrackLayout::WriteStart(TextWriter& out, std::string_view logFileName) {
    const std::string_view fileName = ExtractFileName(logFileName);
    const std::string_view trackName =
        fileName.substr(0, fileName.size() - ExtractFileExt(fileName).size());
    times_.Restart();
    pending_.clear();
    out.WriteLine("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    out.WriteLine("<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\" creator=\"" +
                  EscapeXml(std::string("Nordavel ") + kVersionString) + "\">");
    out.WriteLine("  <trk>");
    if (!trackName.empty()) out.WriteLine("    <name>" + EscapeXml(trackName) + "</name>");
    out.WriteLine("    <trkseg>");
}

bool GpxTrackLayout::WriteRecord(TextWriter& out, std::string_view indexText,
                                 std::string_view dateTimeText, std::string_view coordinatesText) {
    const CoordinateTexts values = SplitCoordinates(coordinatesText);
    const std::string_view latitude = WithoutPlus(values.latitude);
    const std::string_view longitude = WithoutPlus(values.longitude);
    if (!IsLatitude(latitude) || !IsLongitude(longitude)) return false;

    // The children in the order GPX prescribes for a point: ele, time, name.
    std::string& head = point_.head;
    head.assign("      <trkpt lat=\"");
    head += latitude;
    head += "\" lon=\"";
    head += longitude;
    head += "\">";
    if (IsDecimal(values.height)) {
        head += "<ele>";
        head += values.height;
        head += "</ele>";
    }
    std::string& tail = point_.tail;
    tail.clear();
    if (!indexText.empty()) {
        tail += "<name>";
        tail += EscapeXml(indexText);
        tail += "</name>";
    }
    tail += "</trkpt>";

    const std::span<const std::optional<std::int64_t>> settled =
        times_.Add(LocalSeconds(dateTimeText));
    if (settled.empty()) {
        pending_.push_back(point_);
        return true;
    }
    for (std::size_t i = 0; i < pending_.size(); ++i)
        WritePoint(out, pending_[i], settled[i]);
    pending_.clear();
    WritePoint(out, point_, settled.back());
    return true;
}

void GpxTrackLayout::WritePoint(TextWriter& out, const TrackPoint& point,
                                std::optional<std::int64_t> utc) {
    line_ = point.head;
    if (const std::optional<std::string> time = utc ? UtcText(*utc) : std::nullopt) {
        line_ += "<time>";
        line_ += *time;
        line_ += "</time>";
    }
    line_ += point.tail;
    out.WriteLine(line_);
}

void GpxTrackLayout::WriteEnd(TextWriter& out) {
    const std::span<const std::optional<std::int64_t>> settled = times_.Finish();
    for (std::size_t i = 0; i < pending_.size(); ++i)
        WritePoint(out, pending_[i], settled[i]);
    pending_.clear();
    out.WriteLine("    </trkseg>");
    out.WriteLine("  </trk>");
    out.WriteLine("</gpx>");
}

void GpxTrackLayout::ReportNotes(ConversionReport& report) const {
    if (times_.NotInZone() > 0) report.TimesNotInZone(times_.NotInZone());
}

} // namespace nordavel
