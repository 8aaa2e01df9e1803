#pragma once

#include <string>
#include <string_view>

#include "conversion/CsvOptions.h"
#include "conversion/TrackLayout.h"
#include "text/TextFile.h"

// The one definition of the CSV file's columns and lines. Values are copied as text, never
// parsed or reformatted, so the CSV file carries exactly the digits of the log.
namespace nordavel {

// The three values of a "longitude,latitude,height" coordinates text, each trimmed: the
// longitude before the first comma, the latitude up to the second, the height after it (further
// commas included). Without a first comma both positions are empty and all of it is the height.
// Shared with the GPX layout, so that both files carry the same values.
struct CoordinateTexts {
    std::string_view longitude;
    std::string_view latitude;
    std::string_view height;
};
CoordinateTexts SplitCoordinates(std::string_view coordinatesText) noexcept;

// A latitude or longitude less one leading "+"; a "-" stays.
constexpr std::string_view WithoutPlus(std::string_view value) noexcept {
    return !value.empty() && value.front() == '+' ? value.substr(1) : value;
}

// The CSV file with the given options.
class CsvTrackLayout final : public TrackLayout {
public:
    explicit CsvTrackLayout(const CsvOptions& options) : options_(options) {}
    std::string_view Extension() const noexcept override { return ".csv"; }
    CodePage OutputCodePage(const CodePage& logCodePage) const override { return logCodePage; }
    void WriteStart(TextWriter& out, std::string_view logFileName) override;
    bool WriteRecord(TextWriter& out, std::string_view indexText, std::string_view dateTimeText,
                     std::string_view coordinatesText) override;
    void WriteEnd(TextWriter&) override {}

private:
    CsvOptions options_;
};

} // namespace nordavel
