// The CSV file's columns and lines for every option combination and awkward value.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "conversion/CsvLayout.h"

namespace nordavel {
namespace {

CsvOptions Options(bool index, bool rcr, bool dateTime, bool valid, bool snew) {
    return CsvOptions{index, rcr, dateTime, valid, snew};
}

constexpr const char* kIndex = "12";
constexpr const char* kWhen = "2023/07/06 12:34:56";
constexpr const char* kWhere = "139.767100,35.681200,40.0";

// The header and the record of one track point as the layout writes them, in UTF-8, without
// their line ends.
std::pair<std::string, std::string> HeaderAndRecord(const CsvOptions& options,
                                                    std::string_view index, std::string_view when,
                                                    std::string_view where) {
    test::MemorySink sink;
    TextWriter csv(sink, *CodePage::FromName("65001"));
    CsvTrackLayout layout(options);
    layout.WriteStart(csv, "walk.kml");
    EXPECT_TRUE(layout.WriteRecord(csv, index, when, where));
    csv.Flush();
    const std::string& bytes = sink.Bytes();
    const std::size_t end = bytes.find("\r\n");
    return {bytes.substr(0, end), bytes.substr(end + 2, bytes.size() - end - 4)};
}
std::string HeaderLine(const CsvOptions& options) {
    return HeaderAndRecord(options, "", "", "").first;
}
std::string RecordLine(const CsvOptions& options, std::string_view index, std::string_view when,
                       std::string_view where) {
    return HeaderAndRecord(options, index, when, where).second;
}

// The LATITUDE to HEIGHT columns of a record for a coordinates text.
std::string Coordinates(CsvOptions options, std::string_view text) {
    options.index = options.rcr = options.valid = false;
    options.dateTime = true;
    return RecordLine(options, "", "-", text).substr(3); // after " -,"
}

TEST(CsvLayout, OptionsTable) {
    struct Row {
        CsvOptions options;
        const char* header;
        const char* record;
    };
    const Row rows[] = {
        {CsvOptions{}, "INDEX,TIME,LATITUDE,N/S,LONGITUDE,E/W,HEIGHT",
         "12,2023/07/06 12:34:56,35.681200,N,139.767100,E,40.0"},
        {Options(true, true, true, true, true),
         "INDEX,RCR,TIME,VALID,LATITUDE,N/S,LONGITUDE,E/W,HEIGHT",
         "12,T,2023/07/06 12:34:56,SPS,35.681200,N,139.767100,E,40.0"},
        {Options(true, true, false, true, true),
         "INDEX,RCR,DATE,TIME,VALID,LATITUDE,N/S,LONGITUDE,E/W,HEIGHT",
         "12,T,2023/07/06,12:34:56,SPS,35.681200,N,139.767100,E,40.0"},
        {Options(false, false, true, false, false), "TIME,LATITUDE,LONGITUDE,HEIGHT",
         "2023/07/06 12:34:56,35.681200,139.767100,40.0"},
        {Options(false, false, false, false, false), "DATE,TIME,LATITUDE,LONGITUDE,HEIGHT",
         "2023/07/06,12:34:56,35.681200,139.767100,40.0"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(HeaderLine(row.options), row.header);
        EXPECT_EQ(RecordLine(row.options, kIndex, kWhen, kWhere), row.record);
    }
}

TEST(CsvLayout, EveryOptionCombinationHasMatchingColumnCounts) {
    for (int bits = 0; bits < 32; ++bits) {
        const CsvOptions options = Options(bits & 1, bits & 2, bits & 4, bits & 8, bits & 16);
        const auto columns = [](const std::string& line) {
            return std::count(line.begin(), line.end(), ',') + 1;
        };
        const auto header = columns(HeaderLine(options));
        EXPECT_EQ(header, columns(RecordLine(options, kIndex, kWhen, kWhere))) << bits;
        EXPECT_GE(header, 4);
        EXPECT_LE(header, 10);
    }
}

TEST(CsvLayout, HemispheresAndSigns) {
    const CsvOptions on{};
    const CsvOptions off = Options(true, false, true, false, false);
    EXPECT_EQ(Coordinates(on, "-58.381600,-34.603700,25.0"), "34.603700,S,58.381600,W,25.0");
    EXPECT_EQ(Coordinates(off, "-58.381600,-34.603700,25.0"), "-34.603700,-58.381600,25.0");
    EXPECT_EQ(Coordinates(on, "+139.7671 , +35.6812 , 40"), "35.6812,N,139.7671,E,40");
    EXPECT_EQ(Coordinates(off, "+139.7671 , +35.6812 , 40"), "35.6812,139.7671,40");
    EXPECT_EQ(Coordinates(on, "1,-0.5,3"), "0.5,S,1,E,3");
    EXPECT_EQ(Coordinates(on, "1,12-3,3"), "12-3,N,1,E,3");
    EXPECT_EQ(Coordinates(on, "+-5,1,3"), "1,N,5,W,3");
    EXPECT_EQ(Coordinates(off, "+-5,1,3"), "1,-5,3");
    EXPECT_EQ(Coordinates(on, "1,--5,3"), "-5,S,1,E,3") << "only one sign is taken";
    // Heights keep their sign.
    EXPECT_EQ(Coordinates(off, "1,2,+12.5"), "2,1,+12.5");
    EXPECT_EQ(Coordinates(off, "1,2,-3.0"), "2,1,-3.0");
}

TEST(CsvLayout, MissingCommasAndEmptyValues) {
    const CsvOptions on{};
    const CsvOptions off = Options(true, false, true, false, false);
    EXPECT_EQ(Coordinates(on, ""), ",N,,E,");
    EXPECT_EQ(Coordinates(off, ""), ",,");
    EXPECT_EQ(Coordinates(on, "139.7671,35.6812"), ",N,139.7671,E,35.6812");
    EXPECT_EQ(Coordinates(on, "42"), ",N,,E,42");
    EXPECT_EQ(RecordLine(on, "", kWhen, kWhere).substr(0, 1), ",")
        << "an empty index still has its column";
}

TEST(CsvLayout, DateAndTimeParts) {
    const CsvOptions joined{};
    const CsvOptions split = Options(false, false, false, false, false);
    EXPECT_EQ(RecordLine(split, "", "12:34:56", "1,2,3"), ",12:34:56,2,1,3");
    EXPECT_EQ(RecordLine(joined, "1", "12:34:56", "1,2,3"), "1, 12:34:56,2,N,1,E,3");
    EXPECT_EQ(RecordLine(split, "", "2023/07/06  12:34:56", "1,2,3"), "2023/07/06, 12:34:56,2,1,3");
    EXPECT_EQ(RecordLine(joined, "1", "2023/07/06  12:34:56", "1,2,3"),
              "1,2023/07/06  12:34:56,2,N,1,E,3");
}

TEST(CsvLayout, FieldsWithCommasOrQuotesAreQuoted) {
    const CsvOptions on{};
    // A fourth coordinate lands in HEIGHT, quoted, so the line keeps its seven columns.
    EXPECT_EQ(Coordinates(on, "1,2,3,4"), "2,N,1,E,\"3,4\"");
    EXPECT_EQ(RecordLine(on, "7,8", "2023/07/06 a\"b", "1,2,3"),
              "\"7,8\",\"2023/07/06 a\"\"b\",2,N,1,E,3");
    EXPECT_EQ(RecordLine(Options(false, false, false, false, false), "", "d,1 t\"", "1,2,3"),
              "\"d,1\",\"t\"\"\",2,1,3");
    EXPECT_EQ(RecordLine(on, "1", kWhen, "1,2,3,4"), "1,2023/07/06 12:34:56,2,N,1,E,\"3,4\"");
    EXPECT_EQ(RecordLine(on, "1", kWhen, "1\"x,2,3"), "1,2023/07/06 12:34:56,2,N,\"1\"\"x\",E,3");
}

TEST(CsvLayout, WrittenRecordsEqualTheirLinesAtAnyLength) {
    // Records are built in the writer's buffer, behind the records before them: short ones, and
    // ones whose room goes beyond the buffer's size, with and without quoting, and in UTF-8
    // that the code page takes in a byte of its own.
    const CsvOptions on{};
    test::MemorySink sink;
    TextWriter csv(sink, *CodePage::FromName("1252"));
    CsvTrackLayout layout(on);
    std::string expected;
    for (const std::size_t size : {60u, 95u, 140u, 40000u, 70u}) {
        for (const char* filler : {"9", "\"", ",", "\xC3\xA9"}) {
            std::string index;
            while (index.size() < size)
                index += filler;
            const std::string coordinates = "1,2," + index;
            layout.WriteRecord(csv, index, kWhen, coordinates);
            std::string line = RecordLine(on, index, kWhen, coordinates);
            // The code page's e acute for the UTF-8 one.
            for (std::size_t at; (at = line.find("\xC3\xA9")) != std::string::npos;)
                line.replace(at, 2, "\xE9");
            expected += line + "\r\n";
        }
    }
    csv.Flush();
    EXPECT_EQ(sink.Bytes(), expected);
}

} // namespace
} // namespace nordavel
