// The batch run over a file list: statuses, rejected CSV names, re-runs and the stop on errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <stdexcept>

#include "TestSupport.h"
#include "batch/BatchRun.h"

namespace nordavel {
namespace {

using test::RecordingReport;
using Lines = std::vector<std::string>;

// A conversion that answers from a table and records what it was asked.
struct FakeConverter {
    std::map<std::string, TConversionOutcome> outcomes;
    std::optional<std::string> throwFor;
    std::vector<std::string> names;
    std::vector<TCsvOptions> options;

    LogConverter AsConverter() {
        return [this](const std::string& name, const TCsvOptions& csv) {
            names.push_back(name);
            options.push_back(csv);
            if (name == throwFor) throw std::runtime_error("disk full");
            const auto found = outcomes.find(name);
            return found == outcomes.end() ? TConversionOutcome{false, -1} : found->second;
        };
    }
};

OptionsReader Defaults() {
    return [] { return TCsvOptions{}; };
}

TEST(BatchRun, FourLineExample) {
    VectorFileList list(Lines{"D:\\gps\\walk.kml", "Completed > D:\\gps\\route.kml",
                              "* No data >D:\\gps\\walk.CSV", "  D:\\gps\\missing.kml"});
    FakeConverter fake;
    fake.outcomes["D:\\gps\\walk.kml"] = {true, 245};
    fake.outcomes["D:\\gps\\route.kml"] = {false, -3};
    RecordingReport report;
    const BatchSummary summary = RunBatch(list, report, Defaults(), fake.AsConverter());
    EXPECT_EQ(list.Lines(), (Lines{"Completed > D:\\gps\\walk.kml",
                                   "* Not file of EXILIM LOG > D:\\gps\\route.kml",
                                   "* CSV file is not accepted > D:\\gps\\walk.CSV",
                                   "* Not found > D:\\gps\\missing.kml"}));
    EXPECT_EQ(fake.names,
              (Lines{"D:\\gps\\walk.kml", "D:\\gps\\route.kml", "D:\\gps\\missing.kml"}));
    EXPECT_EQ(summary.lines, 4u);
    EXPECT_EQ(summary.completedWithData, 1u);
#ifdef _WIN32
    const std::string rejected = "walk.CSV";
#else
    const std::string rejected = "D:\\gps\\walk.CSV"; // no "/" in it: all of it is the file part
#endif
    EXPECT_EQ(report.events,
              (Lines{"clear", "reveal", "line:CSV file is not accepted: " + rejected, "line:"}));
}

TEST(BatchRun, StatusTexts) {
    EXPECT_EQ(StatusText({true, 1}), "Completed ");
    EXPECT_EQ(StatusText({true, 0}), "* No data ");
    EXPECT_EQ(StatusText({true, -3}), "* No data ");
    EXPECT_EQ(StatusText({false, -1}), "* Not found ");
    EXPECT_EQ(StatusText({false, -2}), "* Cannot create Output file ");
    EXPECT_EQ(StatusText({false, -3}), "* Not file of EXILIM LOG ");
    EXPECT_EQ(StatusText({false, 5}), "* No data ");
    EXPECT_EQ(StatusText({false, -4}), "* No data ");
}

TEST(BatchRun, RunningTheSameListAgainGivesTheSameLines) {
    VectorFileList list(Lines{"a.kml", " b.kml ", "c.csv"});
    FakeConverter fake;
    fake.outcomes["a.kml"] = {true, 3};
    fake.outcomes["b.kml"] = {true, 0};
    RecordingReport report;
    RunBatch(list, report, Defaults(), fake.AsConverter());
    const Lines first = list.Lines();
    EXPECT_EQ(first, (Lines{"Completed > a.kml", "* No data > b.kml",
                            "* CSV file is not accepted > c.csv"}));
    RunBatch(list, report, Defaults(), fake.AsConverter());
    EXPECT_EQ(list.Lines(), first);
    EXPECT_EQ(fake.names, (Lines{"a.kml", "b.kml", "a.kml", "b.kml"}));
    EXPECT_EQ(std::count(report.events.begin(), report.events.end(), "clear"), 2);
}

TEST(BatchRun, EmptyListsAndEmptyLines) {
    VectorFileList empty;
    RecordingReport report;
    FakeConverter fake;
    RunBatch(empty, report, Defaults(), fake.AsConverter());
    EXPECT_TRUE(report.events.empty()) << "the report keeps its text";

    VectorFileList withEmpty(Lines{"a.kml", "", "b.kml"});
    RunBatch(withEmpty, report, Defaults(), fake.AsConverter());
    EXPECT_EQ(fake.names, (Lines{"a.kml", "", "b.kml"}));
    EXPECT_EQ(withEmpty.Lines().at(1), "* Not found > ");
}

TEST(BatchRun, CsvNamesInAnyCaseAreRejected) {
    EXPECT_TRUE(IsCsvName("walk.csv"));
    EXPECT_TRUE(IsCsvName("walk.CsV"));
    EXPECT_FALSE(IsCsvName("walk.csv.kml"));
    EXPECT_FALSE(IsCsvName("walk"));
    EXPECT_FALSE(IsCsvName("walk.csvx"));
#ifdef _WIN32
    EXPECT_FALSE(IsCsvName("D:\\gps.csv\\walk"));
#else
    EXPECT_FALSE(IsCsvName("/gps.csv/walk"));
#endif
}

TEST(BatchRun, GpxOutputRejectsGpxAndStillCsvNames) {
    VectorFileList list(Lines{"a.GPX", "b.csv", "c.kml", "d.gpx.kml"});
    FakeConverter fake;
    RecordingReport report;
    RunBatch(list, report, Defaults(), fake.AsConverter(), ListNames::Edited, OutputFormat::Gpx);
    EXPECT_EQ(list.Lines(),
              (Lines{"* GPX file is not accepted > a.GPX", "* CSV file is not accepted > b.csv",
                     "* Not found > c.kml", "* Not found > d.gpx.kml"}));
    EXPECT_EQ(fake.names, (Lines{"c.kml", "d.gpx.kml"}));
    EXPECT_EQ(report.events.at(2), "line:GPX file is not accepted: a.GPX");

    VectorFileList csvOutput(Lines{"a.gpx"});
    RunBatch(csvOutput, report, Defaults(), fake.AsConverter());
    EXPECT_EQ(fake.names.back(), "a.gpx") << "a GPX file is a log like any other for CSV";
}

TEST(BatchRun, StatusPrefixes) {
    VectorFileList list(Lines{"* No data >D:\\gps\\walk.kml", "plain.kml ", "a > b > c"});
    EXPECT_EQ(RemoveStatusPrefix(list, 0), "D:\\gps\\walk.kml");
    EXPECT_EQ(list.Line(0), "D:\\gps\\walk.kml");
    EXPECT_EQ(RemoveStatusPrefix(list, 1), "plain.kml");
    EXPECT_EQ(list.Line(1), "plain.kml ") << "a line without status is not written back";
    EXPECT_EQ(RemoveStatusPrefix(list, 2), "b > c") << "the first '>' ends the status";
    SetLineStatus(list, 1, "Completed ");
    EXPECT_EQ(list.Line(1), "Completed > plain.kml");
}

TEST(BatchRun, ExactNamesKeepBlanksAndGreaterThan) {
    VectorFileList list(Lines{"trip>b.kml", " b.kml ", "Completed > a.kml"});
    FakeConverter fake;
    fake.outcomes["trip>b.kml"] = {true, 3};
    RecordingReport report;
    RunBatch(list, report, Defaults(), fake.AsConverter(), ListNames::Exact);
    EXPECT_EQ(fake.names, (Lines{"trip>b.kml", " b.kml ", "Completed > a.kml"}));
    EXPECT_EQ(list.Lines(), (Lines{"Completed > trip>b.kml", "* Not found >  b.kml ",
                                   "* Not found > Completed > a.kml"}));
}

TEST(BatchRun, OptionsAreReadBeforeEachFile) {
    VectorFileList list(Lines{"a.kml", "b.csv", "c.kml"});
    FakeConverter fake;
    RecordingReport report;
    int reads = 0;
    RunBatch(
        list, report,
        [&] {
            TCsvOptions options;
            options.RCR = ++reads % 2 == 0;
            return options;
        },
        fake.AsConverter());
    ASSERT_EQ(fake.options.size(), 2u);
    EXPECT_FALSE(fake.options[0].RCR);
    EXPECT_TRUE(fake.options[1].RCR);
}

TEST(BatchRun, AnErrorPassedOnStopsTheRun) {
    VectorFileList list(Lines{"a.kml", "Completed > b.kml", "c.kml", "* No data > d.kml", "e.kml"});
    FakeConverter fake;
    fake.outcomes["a.kml"] = {true, 1};
    fake.throwFor = "b.kml";
    RecordingReport report;
    EXPECT_THROW(RunBatch(list, report, Defaults(), fake.AsConverter()), std::runtime_error);
    EXPECT_EQ(list.Lines(),
              (Lines{"Completed > a.kml", "b.kml", "c.kml", "* No data > d.kml", "e.kml"}));
}

TEST(FileList, SplitAsAnEditBoxShowsIt) {
    EXPECT_EQ(SplitListText(""), Lines{});
    EXPECT_EQ(SplitListText("\r\n"), (Lines{""}));
    EXPECT_EQ(SplitListText("a\r\nb"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitListText("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(SplitListText("a\r\n\r\nb\r\n\r\n"), (Lines{"a", "", "b", ""}));
    EXPECT_EQ(JoinListText({"a", "", "b"}), "a\r\n\r\nb");
}

} // namespace
} // namespace nordavel
