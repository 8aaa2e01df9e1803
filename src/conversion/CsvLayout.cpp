#include "conversion/CsvLayout.h"

#include <cstring>

#include "base/ByteScan.h"
#include "base/TextUtil.h"

namespace nordavel {

namespace {

// Builds a line straight into room sized for the worst case (every character quoted, doubled):
// a conversion writes hundreds of thousands of lines, and this keeps each field to one pass that
// copies it and tests it for quoting at once.
class LineBuilder {
public:
    explicit LineBuilder(char* room) noexcept : start_(room), out_(room) {}
    LineBuilder(const LineBuilder&) = delete;
    LineBuilder& operator=(const LineBuilder&) = delete;

    std::size_t Size() const noexcept { return static_cast<std::size_t>(out_ - start_); }

    void Put(char c) noexcept { *out_++ = c; }
    void Put(std::string_view text) noexcept {
        if (text.empty()) return; // an empty view may have no data at all
        std::memcpy(out_, text.data(), text.size());
        out_ += text.size();
    }
    // A field, quoted when it holds a comma or a double quote.
    void Field(std::string_view value) noexcept {
        if (!CopyHoldingCommaOrQuote(value.data(), value.size(), out_)) {
            out_ += value.size();
            return;
        }
        // The plain copy is overwritten.
        Put('"');
        for (char c : value) {
            if (c == '"') Put('"');
            Put(c);
        }
        Put('"');
    }

private:
    char* start_;
    char* out_;
};

// Splits off the text before the first comma, trimmed; `rest` keeps what follows the comma, or
// all of itself when it has no comma.
std::string_view TakeBeforeComma(std::string_view& rest) noexcept {
    const std::size_t comma = rest.find(',');
    if (comma == std::string_view::npos) return {};
    const std::string_view before = rest.substr(0, comma);
    rest.remove_prefix(comma + 1);
    return Trim(before);
}

void AppendHemisphereValue(LineBuilder& line, const CsvOptions& options, std::string_view value,
                           std::string_view letterPair) {
    value = WithoutPlus(value);
    if (!options.snew) {
        line.Field(value);
        return;
    }
    char letter = letterPair[0];
    if (!value.empty() && value.front() == '-') {
        value.remove_prefix(1);
        letter = letterPair[1];
    }
    line.Field(value);
    line.Put(',');
    line.Put(letter);
}

void AppendCoordinates(LineBuilder& line, const CsvOptions& options,
                       std::string_view coordinatesText) {
    const CoordinateTexts values = SplitCoordinates(coordinatesText);
    AppendHemisphereValue(line, options, values.latitude, "NS");
    line.Put(',');
    AppendHemisphereValue(line, options, values.longitude, "EW");
    line.Put(',');
    line.Field(values.height);
}

// Every text character quoted and doubled, and the separators, letters and constant columns.
std::size_t RecordWorstCase(std::string_view indexText, std::string_view dateTimeText,
                            std::string_view coordinatesText) noexcept {
    return 2 * (indexText.size() + dateTimeText.size() + coordinatesText.size()) + 64;
}

// Builds the record into `room`, which holds RecordWorstCase characters; returns its length.
std::size_t BuildRecord(char* room, const CsvOptions& options, std::string_view indexText,
                        std::string_view dateTimeText, std::string_view coordinatesText) {
    LineBuilder line(room);
    if (options.index) {
        line.Field(indexText);
        line.Put(',');
    }
    if (options.rcr) line.Put("T,");
    const std::size_t blank = dateTimeText.find(' ');
    const bool hasBlank = blank != std::string_view::npos;
    const std::string_view date(dateTimeText.data(), hasBlank ? blank : 0);
    const std::string_view time = hasBlank ? dateTimeText.substr(blank + 1) : dateTimeText;
    if (options.dateTime) {
        // The one column is the date part, a blank and the time part: the whole text when it
        // has a blank.
        if (!hasBlank) {
            line.Field(" " + std::string(time));
        } else {
            line.Field(dateTimeText);
        }
    } else {
        line.Field(date);
        line.Put(',');
        line.Field(time);
    }
    line.Put(',');
    if (options.valid) line.Put("SPS,");
    AppendCoordinates(line, options, coordinatesText);
    return line.Size();
}

std::string HeaderLine(const CsvOptions& options) {
    std::string line;
    if (options.index) line += "INDEX,";
    if (options.rcr) line += "RCR,";
    line += options.dateTime ? "TIME," : "DATE,TIME,";
    if (options.valid) line += "VALID,";
    line += "LATITUDE,";
    if (options.snew) line += "N/S,";
    line += "LONGITUDE,";
    if (options.snew) line += "E/W,";
    line += "HEIGHT";
    return line;
}

void WriteCsvRecord(TextWriter& csv, const CsvOptions& options, std::string_view indexText,
                    std::string_view dateTimeText, std::string_view coordinatesText) {
    // A conversion writes hundreds of thousands of records: each is built straight into the
    // writer's buffer.
    char* room = csv.LineRoom(RecordWorstCase(indexText, dateTimeText, coordinatesText));
    csv.EndLine(BuildRecord(room, options, indexText, dateTimeText, coordinatesText));
}

} // namespace

CoordinateTexts SplitCoordinates(std::string_view coordinatesText) noexcept {
    CoordinateTexts values;
    std::string_view rest = coordinatesText;
    values.longitude = TakeBeforeComma(rest);
    values.latitude = TakeBeforeComma(rest);
    values.height = Trim(rest);
    return values;
}

void CsvTrackLayout::WriteStart(TextWriter& out, std::string_view) {
    out.WriteLine(HeaderLine(options_));
}

bool CsvTrackLayout::WriteRecord(TextWriter& out, std::string_view indexText,
                                 std::string_view dateTimeText, std::string_view coordinatesText) {
    WriteCsvRecord(out, options_, indexText, dateTimeText, coordinatesText);
    return true;
}

} // namespace nordavel
