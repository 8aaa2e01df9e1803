// What the command line's names stand for: folders, wildcards, names used exactly as given.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "cli/FileArguments.h"

namespace nordavel::cli {
namespace {

using Names = std::vector<std::string>;
using test::TempDir;

TEST(Wildcards, Matching) {
    EXPECT_TRUE(MatchesWildcard("*.kml", "walk.kml", false));
    EXPECT_TRUE(MatchesWildcard("*.kml", ".kml", false));
    EXPECT_FALSE(MatchesWildcard("*.kml", "walk.kmlx", false));
    EXPECT_FALSE(MatchesWildcard("*.kml", "walk.KML", false));
    EXPECT_TRUE(MatchesWildcard("*.kml", "walk.KML", true));
    EXPECT_TRUE(MatchesWildcard("w?lk*", "walk.kml", false));
    EXPECT_FALSE(MatchesWildcard("w?lk", "wlk", false));
    // "?" is one character, however many bytes UTF-8 gives it.
    EXPECT_TRUE(MatchesWildcard("?-?.kml", "\xC3\xA9-\xE5\x9C\xB0.kml", false));
    EXPECT_FALSE(MatchesWildcard("?.kml", "\xC3\xA9\xC3\xA9.kml", false));
    // Backtracking past a first, wrong place for the text after "*".
    EXPECT_TRUE(MatchesWildcard("*a*b?c", "xaab_b-c", false));
    EXPECT_TRUE(MatchesWildcard("**", "", false));
    // Many stars against a long name that almost matches must not take exponential time.
    EXPECT_FALSE(MatchesWildcard("*a*a*a*a*a*a*a*a*a*b", std::string(5000, 'a'), false));
}

// On POSIX a name may hold ">", which a list edited by hand takes for the end of a status.
#ifdef _WIN32
constexpr const char* kGreaterThan = "trip-b.kml";
#else
constexpr const char* kGreaterThan = "trip>b.kml";
#endif

class FileArguments : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* file : {"logs/b.kml", "logs/A.KML", "logs/c.txt", "logs/._a.kml",
                                 "logs/sub/d.Kml", "logs/sub/deeper/e.kml", "logs/.hidden/f.kml",
                                 "empty/sub/notes.txt", " b.kml", kGreaterThan}) {
            std::filesystem::create_directories(test::FromUtf8(dir_.File(file)).parent_path());
            test::WriteBytes(dir_.File(file), "x");
        }
    }
    std::string In(const std::string& name) const { return dir_.File(name); }
    Names InAll(const Names& names) const {
        Names paths;
        for (const std::string& name : names)
            paths.push_back(In(name));
        return paths;
    }

    TempDir dir_;
};

TEST_F(FileArguments, FilesAreTakenAsTheyAre) {
    const ExpandedFiles expanded = ExpandFileArguments(
        {In(kGreaterThan), In(" b.kml"), In("logs/c.txt"), In("missing.kml"), In("logs/c.txt")});
    EXPECT_EQ(expanded.files,
              InAll({kGreaterThan, " b.kml", "logs/c.txt", "missing.kml", "logs/c.txt"}));
    EXPECT_TRUE(expanded.notes.empty());
}

TEST_F(FileArguments, FoldersGiveTheirLogsSortedAndRecursionGoesDown) {
    const char separator = kNativePathStyle == PathStyle::Windows ? '\\' : '/';
    const std::string logs = In("logs");
    const std::string sub = logs + separator + "sub";
    ExpandedFiles expanded = ExpandFileArguments({logs, In("empty"), In("logs/")});
    EXPECT_EQ(expanded.files, (Names{logs + separator + "A.KML", logs + separator + "b.kml",
                                     In("logs/") + "A.KML", In("logs/") + "b.kml"}));
    EXPECT_EQ(expanded.notes, Names{"No log file in folder: " + In("empty")});

    expanded = ExpandFileArguments({logs, In("empty")}, {.recursive = true});
    EXPECT_EQ(expanded.files,
              (Names{logs + separator + "A.KML", logs + separator + "b.kml",
                     sub + separator + "d.Kml", sub + separator + "deeper" + separator + "e.kml"}));
    EXPECT_EQ(expanded.notes.size(), 1u) << "a tree without logs is noted once";
}

TEST_F(FileArguments, WildcardsInTheLastPartWhereTheShellLeavesThem) {
    const ExpansionRules windowsLike{.wildcards = true};
    ExpandedFiles expanded = ExpandFileArguments(
        {In("logs/*.kml"), In("logs/?.txt"), In("logs/none*"), In("l*/b.kml")}, windowsLike);
    EXPECT_EQ(expanded.files,
              InAll({"logs/A.KML", "logs/b.kml", "logs/c.txt", "logs/none*", "l*/b.kml"}));
    // Hidden names only for a pattern that asks for them; a matched folder stands for its logs.
    expanded = ExpandFileArguments({In("logs/.*.kml"), In("su*")}, windowsLike);
    EXPECT_EQ(expanded.files, InAll({"logs/._a.kml", "su*"}));
    expanded = ExpandFileArguments({In("logs/s*")}, windowsLike);
    EXPECT_TRUE(expanded.files.size() == 1 && expanded.files[0].ends_with("d.Kml"));

    // Where the shell expands, "*" is a character of the name.
    EXPECT_EQ(ExpandFileArguments({In("logs/*.kml")}, {.wildcards = false}).files,
              InAll({"logs/*.kml"}));
}

} // namespace
} // namespace nordavel::cli
