// The batch run over a file list: statuses, rejected CSV names, re-runs and the stop on errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>

#include "TestSupport.h"
#include "batch/BatchRun.h"
#include "batch/FolderLogs.h"

namespace nordavel {
namespace {

using test::RecordingReport;
using Lines = std::vector<std::string>;

using enum ConversionResult;

// A conversion that answers from a table and records what it was asked.
struct FakeConverter {
    std::map<std::string, ConversionOutcome> outcomes;
    std::optional<std::string> throwFor;
    std::vector<std::string> names;

    LogConverter AsConverter() {
        return [this](const std::string& name) {
            names.push_back(name);
            if (name == throwFor) throw std::runtime_error("disk full");
            const auto found = outcomes.find(name);
            return found == outcomes.end() ? ConversionOutcome{NotFound, 0} : found->second;
        };
    }
};

TEST(BatchRun, EveryResultHasItsStatus) {
    VectorFileList list(Lines{"D:\\gps\\walk.kml", "Completed > D:\\gps\\route.kml",
                              "* No data >D:\\gps\\walk.CSV", "  D:\\gps\\missing.kml", "empty.kml",
                              "locked.kml", "long.kml"});
    FakeConverter fake;
    fake.outcomes["D:\\gps\\walk.kml"] = {Converted, 245};
    fake.outcomes["D:\\gps\\route.kml"] = {NotCameraLog, 0};
    fake.outcomes["empty.kml"] = {NoRecords, 0};
    fake.outcomes["locked.kml"] = {CannotCreate, 0};
    fake.outcomes["long.kml"] = {LineTooLong, 0};
    RecordingReport report;
    const BatchSummary summary = RunBatch(list, report, fake.AsConverter());
    EXPECT_EQ(
        list.Lines(),
        (Lines{"Completed > D:\\gps\\walk.kml", "* Not file of EXILIM LOG > D:\\gps\\route.kml",
               "* CSV file is not accepted > D:\\gps\\walk.CSV",
               "* Not found > D:\\gps\\missing.kml", "* No data > empty.kml",
               "* Cannot create Output file > locked.kml", "* No data > long.kml"}));
    EXPECT_EQ(fake.names.size(), 6u) << "the CSV file is not converted";
    EXPECT_EQ(summary.lines, 7u);
    EXPECT_EQ(summary.completedWithData, 1u);
#ifdef _WIN32
    const std::string rejected = "walk.CSV";
#else
    const std::string rejected = "D:\\gps\\walk.CSV"; // no "/" in it: all of it is the file part
#endif
    EXPECT_EQ(report.events,
              (Lines{"clear", "reveal", "line:CSV file is not accepted: " + rejected, "line:"}));
}

TEST(BatchRun, RunningTheSameListAgainGivesTheSameLines) {
    VectorFileList list(Lines{"a.kml", " b.kml ", "c.csv"});
    FakeConverter fake;
    fake.outcomes["a.kml"] = {Converted, 3};
    fake.outcomes["b.kml"] = {NoRecords, 0};
    RecordingReport report;
    RunBatch(list, report, fake.AsConverter());
    const Lines first = list.Lines();
    EXPECT_EQ(first, (Lines{"Completed > a.kml", "* No data > b.kml",
                            "* CSV file is not accepted > c.csv"}));
    RunBatch(list, report, fake.AsConverter());
    EXPECT_EQ(list.Lines(), first);
    EXPECT_EQ(fake.names, (Lines{"a.kml", "b.kml", "a.kml", "b.kml"}));
    EXPECT_EQ(std::count(report.events.begin(), report.events.end(), "clear"), 2);
}

TEST(BatchRun, EmptyListsAndEmptyLines) {
    VectorFileList empty;
    RecordingReport report;
    FakeConverter fake;
    RunBatch(empty, report, fake.AsConverter());
    EXPECT_TRUE(report.events.empty()) << "the report keeps its text";

    VectorFileList withEmpty(Lines{"a.kml", "", "b.kml"});
    RunBatch(withEmpty, report, fake.AsConverter());
    EXPECT_EQ(fake.names, (Lines{"a.kml", "", "b.kml"}));
    EXPECT_EQ(withEmpty.Lines().at(1), "* Not found > ");
}

TEST(BatchRun, GpxOutputRejectsGpxAndStillCsvNames) {
    VectorFileList list(Lines{"a.GPX", "b.csv", "c.kml", "d.gpx.kml"});
    FakeConverter fake;
    RecordingReport report;
    RunBatch(list, report, fake.AsConverter(), ListNames::Edited, OutputFormat::Gpx);
    EXPECT_EQ(list.Lines(),
              (Lines{"* GPX file is not accepted > a.GPX", "* CSV file is not accepted > b.csv",
                     "* Not found > c.kml", "* Not found > d.gpx.kml"}));
    EXPECT_EQ(fake.names, (Lines{"c.kml", "d.gpx.kml"}));
    EXPECT_EQ(report.events.at(2), "line:GPX file is not accepted: a.GPX");

    VectorFileList csvOutput(Lines{"a.gpx"});
    RunBatch(csvOutput, report, fake.AsConverter());
    EXPECT_EQ(fake.names.back(), "a.gpx") << "a GPX file is a log like any other for CSV";
}

TEST(BatchRun, EditedLinesLoseTheirStatusAndBlanks) {
    VectorFileList list(Lines{"* No data >D:\\gps\\walk.kml", "plain.kml ", "a > b > c",
                              " \"Z:\\gps\\my trip 2023.kml\" ", "\"", "\"\"", "a\"b"});
    FakeConverter fake;
    RecordingReport report;
    RunBatch(list, report, fake.AsConverter());
    EXPECT_EQ(fake.names, (Lines{"D:\\gps\\walk.kml", "plain.kml", "b > c",
                                 "Z:\\gps\\my trip 2023.kml", "\"", "", "a\"b"}))
        << "the first '>' ends the status; a pasted path loses its quotes";
    EXPECT_EQ(list.Lines().at(3), "* Not found > Z:\\gps\\my trip 2023.kml");
}

// A folder stands for its logs, in the order a file manager shows them, where it stood in the
// list; one without logs keeps its line and says so.
TEST(BatchRun, FoldersBecomeTheirLogsInPlace) {
    test::TempDir dir;
    for (const char* name : {"trip 10.kml", "trip 2.kml", "B.KML", "a.kml", "notes.txt",
                             ".hidden.kml", "sub.kml/deep.kml"}) {
        std::filesystem::create_directories(std::filesystem::path(dir.File(name)).parent_path());
        test::WriteBytes(dir.File(name), "");
    }
    const std::string in = dir.File("");
    const std::string folder = in.substr(0, in.size() - 1);
    const std::string empty = dir.File("empty");
    std::filesystem::create_directory(empty);
    EXPECT_EQ(ListLinesOf(empty), Lines{empty});
    EXPECT_EQ(ListLinesOf(folder),
              (Lines{in + "a.kml", in + "B.KML", in + "trip 2.kml", in + "trip 10.kml"}));

    VectorFileList list(Lines{"first.kml", "\"" + folder + "\"", "* No log file > " + empty});
    FakeConverter fake;
    RecordingReport report;
    RunBatch(list, report, fake.AsConverter());
    EXPECT_EQ(list.Lines(),
              (Lines{"* Not found > first.kml", "* Not found > " + in + "a.kml",
                     "* Not found > " + in + "B.KML", "* Not found > " + in + "trip 2.kml",
                     "* Not found > " + in + "trip 10.kml", "* No log file > " + empty}));
    EXPECT_EQ(report.lines, (Lines{"No log file in folder: " + empty, ""}));
}

TEST(BatchRun, ExactNamesKeepBlanksAndGreaterThan) {
    VectorFileList list(Lines{"trip>b.kml", " b.kml ", "Completed > a.kml"});
    FakeConverter fake;
    fake.outcomes["trip>b.kml"] = {Converted, 3};
    RecordingReport report;
    RunBatch(list, report, fake.AsConverter(), ListNames::Exact);
    EXPECT_EQ(fake.names, (Lines{"trip>b.kml", " b.kml ", "Completed > a.kml"}));
    EXPECT_EQ(list.Lines(), (Lines{"Completed > trip>b.kml", "* Not found >  b.kml ",
                                   "* Not found > Completed > a.kml"}));
}

TEST(BatchRun, AnErrorPassedOnStopsTheRun) {
    VectorFileList list(Lines{"a.kml", "Completed > b.kml", "c.kml", "* No data > d.kml", "e.kml"});
    FakeConverter fake;
    fake.outcomes["a.kml"] = {Converted, 1};
    fake.throwFor = "b.kml";
    RecordingReport report;
    EXPECT_THROW(RunBatch(list, report, fake.AsConverter()), std::runtime_error);
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
