#include "conversion/GpxLayout.h"

#include "base/TextUtil.h"
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

GpxTrackLayout::GpxTrackLayout(int utcOffsetMinutes) : utcOffsetMinutes_(utcOffsetMinutes) {}

CodePage GpxTrackLayout::OutputCodePage(const CodePage&) const {
    // UTF-8 by its Windows number, which every platform knows.
    static const CodePage utf8 = *CodePage::FromName("65001");
    return utf8;
}

void GpxTrackLayout::WriteStart(TextWriter& out, std::string_view logFileName) {
    const std::string_view fileName = ExtractFileName(logFileName);
    const std::string_view trackName =
        fileName.substr(0, fileName.size() - ExtractFileExt(fileName).size());
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
    line_.assign("      <trkpt lat=\"");
    line_ += latitude;
    line_ += "\" lon=\"";
    line_ += longitude;
    line_ += "\">";
    if (IsDecimal(values.height)) {
        line_ += "<ele>";
        line_ += values.height;
        line_ += "</ele>";
    }
    if (const std::optional<std::string> time = UtcDateTime(dateTimeText, utcOffsetMinutes_)) {
        line_ += "<time>";
        line_ += *time;
        line_ += "</time>";
    }
    if (!indexText.empty()) {
        line_ += "<name>";
        line_ += EscapeXml(indexText);
        line_ += "</name>";
    }
    line_ += "</trkpt>";
    out.WriteLine(line_);
    return true;
}

void GpxTrackLayout::WriteEnd(TextWriter& out) {
    out.WriteLine("    </trkseg>");
    out.WriteLine("  </trk>");
    out.WriteLine("</gpx>");
}

} // namespace nordavel
