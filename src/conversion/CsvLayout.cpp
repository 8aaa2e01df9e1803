#include "conversion/CsvLayout.h"

#include <cstring>

#include "text/ByteScan.h"
#include "text/TextUtil.h"

namespace nordavel {

namespace {

// Builds a line straight into a string sized for the worst case first (every character quoted,
// doubled): a conversion writes hundreds of thousands of lines, and this keeps each to a few
// plain copies.
class LineBuilder {
public:
    // `mayNeedQuotes` false promises that no field holds a comma or a double quote, which spares
    // the test field by field.
    LineBuilder(std::string& line, std::size_t worstCase, bool mayNeedQuotes = true)
        : line_(line), mayNeedQuotes_(mayNeedQuotes) {
        const std::size_t start = line.size();
        line.resize(start + worstCase);
        out_ = line.data() + start;
    }
    ~LineBuilder() { line_.resize(static_cast<std::size_t>(out_ - line_.data())); }
    LineBuilder(const LineBuilder&) = delete;
    LineBuilder& operator=(const LineBuilder&) = delete;

    void Put(char c) noexcept { *out_++ = c; }
    void Put(std::string_view text) noexcept {
        if (text.empty()) return; // an empty view may have no data at all
        std::memcpy(out_, text.data(), text.size());
        out_ += text.size();
    }
    // A field, quoted when it holds a comma or a double quote.
    void Field(std::string_view value) noexcept {
        if (!mayNeedQuotes_ || !HoldsCommaOrQuote(value)) {
            Put(value);
            return;
        }
        Put('"');
        for (char c : value) {
            if (c == '"') Put('"');
            Put(c);
        }
        Put('"');
    }

    // Room enough for a line made from these texts and at most `extra` other characters.
    static std::size_t WorstCase(std::size_t textSize, std::size_t extra) noexcept {
        return 2 * textSize + extra;
    }

    // A field that may hold commas whatever the promise.
    void FieldWithCommas(std::string_view value) noexcept {
        const bool promise = mayNeedQuotes_;
        mayNeedQuotes_ = true;
        Field(value);
        mayNeedQuotes_ = promise;
    }

private:
    std::string& line_;
    char* out_ = nullptr;
    bool mayNeedQuotes_;
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

void AppendHemisphereValue(LineBuilder& line, const TCsvOptions& options, std::string_view value,
                           std::string_view letterPair) {
    if (!value.empty() && value.front() == '+') value.remove_prefix(1);
    if (!options.SNEW) {
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

void AppendCoordinates(LineBuilder& line, const TCsvOptions& options,
                       std::string_view coordinatesText) {
    std::string_view rest = coordinatesText;
    const std::string_view longitude = TakeBeforeComma(rest);
    const std::string_view latitude = TakeBeforeComma(rest);
    AppendHemisphereValue(line, options, latitude, "NS");
    line.Put(',');
    AppendHemisphereValue(line, options, longitude, "EW");
    line.Put(',');
    // Whatever follows the second comma is the height, further commas included.
    line.FieldWithCommas(Trim(rest));
}

void AppendRecord(std::string& text, const TCsvOptions& options, std::string_view indexText,
                  std::string_view dateTimeText, std::string_view coordinatesText) {
    // Longitude and latitude are cut at commas, so only a quote can make them need quoting.
    const bool mayNeedQuotes = HoldsCommaOrQuote(indexText) || HoldsCommaOrQuote(dateTimeText) ||
                               coordinatesText.find('"') != std::string_view::npos;
    LineBuilder line(
        text,
        LineBuilder::WorstCase(indexText.size() + dateTimeText.size() + coordinatesText.size(), 64),
        mayNeedQuotes);
    if (options.Index) {
        line.Field(indexText);
        line.Put(',');
    }
    if (options.RCR) line.Put("T,");
    const std::size_t blank = dateTimeText.find(' ');
    const std::string_view date =
        blank == std::string_view::npos ? std::string_view() : dateTimeText.substr(0, blank);
    const std::string_view time =
        blank == std::string_view::npos ? dateTimeText : dateTimeText.substr(blank + 1);
    if (options.DateTime) {
        // The one column is the date part, a blank and the time part: the whole text when it
        // has a blank.
        if (blank == std::string_view::npos) {
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
    if (options.VALID) line.Put("SPS,");
    AppendCoordinates(line, options, coordinatesText);
}

} // namespace

std::string CsvField(std::string_view value) {
    std::string field;
    LineBuilder(field, LineBuilder::WorstCase(value.size(), 2)).Field(value);
    return field;
}

std::string HeaderLine(const TCsvOptions& options) {
    std::string line;
    if (options.Index) line += "INDEX,";
    if (options.RCR) line += "RCR,";
    line += options.DateTime ? "TIME," : "DATE,TIME,";
    if (options.VALID) line += "VALID,";
    line += "LATITUDE,";
    if (options.SNEW) line += "N/S,";
    line += "LONGITUDE,";
    if (options.SNEW) line += "E/W,";
    line += "HEIGHT";
    return line;
}

std::string HemisphereValue(const TCsvOptions& options, std::string_view value,
                            std::string_view letterPair) {
    std::string column;
    {
        LineBuilder line(column, LineBuilder::WorstCase(value.size(), 4));
        AppendHemisphereValue(line, options, value, letterPair);
    }
    return column;
}

std::string FormatCoordinates(const TCsvOptions& options, std::string_view coordinatesText) {
    std::string columns;
    {
        LineBuilder line(columns, LineBuilder::WorstCase(coordinatesText.size(), 16));
        AppendCoordinates(line, options, coordinatesText);
    }
    return columns;
}

std::string RecordLine(const TCsvOptions& options, std::string_view indexText,
                       std::string_view dateTimeText, std::string_view coordinatesText) {
    std::string line;
    AppendRecord(line, options, indexText, dateTimeText, coordinatesText);
    return line;
}

void WriteRecord(TextWriter& csv, const TCsvOptions& options, std::string_view indexText,
                 std::string_view dateTimeText, std::string_view coordinatesText) {
    // One buffer for every record: a conversion writes hundreds of thousands of them.
    thread_local std::string line;
    line.clear();
    AppendRecord(line, options, indexText, dateTimeText, coordinatesText);
    csv.WriteLine(line);
}

} // namespace nordavel
