// Converting one log: outcome codes, report lines, reveals and what is left on disk.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "conversion/ConvertLogFile.h"
#include "platform/IoError.h"
#include "text/TextFile.h"

#ifdef _WIN32
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#else
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace nordavel {
namespace {

using test::CameraLog;
using test::Exists;
using test::FolderEntries;
using test::ReadBytes;
using test::RecordingReport;
using test::TempDir;
using test::WriteBytes;
using Events = std::vector<std::string>;
using Names = std::vector<std::string>;
using enum ConversionResult;

CodePage Cp1252() {
    return *CodePage::FromName("1252");
}

class ConvertLogFileTest : public ::testing::Test {
protected:
    ConversionOutcome Convert(const std::string& log, const CsvOptions& options = {}) {
        return ConvertLogFile(log, options, report, Cp1252());
    }
    std::string Folder() const {
        return std::string(dir.File("x").substr(0, dir.File("x").size() - 1));
    }

    TempDir dir;
    RecordingReport report;
};

const std::vector<test::TrackPoint> kThreePoints = {
    {"1", "2023/07/06 10:15:30", "139.767100,35.681200,40.0"},
    {"2", "2023/07/06 10:15:40", "139.767200,35.681300,41.5"},
    {"3", "2023/07/06 10:15:50", "-0.5,-51.2,-3"},
};

TEST_F(ConvertLogFileTest, TrackPointsBecomeRecordsWithoutRevealingTheReport) {
    const std::string log = dir.File("walk.kml");
    WriteBytes(log, CameraLog(kThreePoints));
    const ConversionOutcome outcome = Convert(log);
    EXPECT_EQ(outcome.result, Converted);
    EXPECT_EQ(outcome.records, 3);
    EXPECT_EQ(ReadBytes(dir.File("walk.csv")),
              "INDEX,TIME,LATITUDE,N/S,LONGITUDE,E/W,HEIGHT\r\n"
              "1,2023/07/06 10:15:30,35.681200,N,139.767100,E,40.0\r\n"
              "2,2023/07/06 10:15:40,35.681300,N,139.767200,E,41.5\r\n"
              "3,2023/07/06 10:15:50,51.2,S,0.5,W,-3\r\n");
    EXPECT_EQ(report.events, (Events{"line:Path: " + Folder(), "line:File: walk.kml",
                                     "line:  Output: 3 records", "line:"}));
    EXPECT_EQ(FolderEntries(dir.Path()), (Names{"walk.csv", "walk.kml"}));
}

TEST_F(ConvertLogFileTest, OneRecordIsStillRecords) {
    const std::string log = dir.File("one.kml");
    WriteBytes(log, CameraLog({kThreePoints[0]}));
    EXPECT_EQ(Convert(log).records, 1);
    EXPECT_EQ(report.lines.at(2), "  Output: 1 records");
}

// What a camera wrote before it lost power is converted, and the report says the log may be cut
// short, wherever the read buffers break its end.
TEST_F(ConvertLogFileTest, LogThatEndsEarlyIsSaidToBe) {
    const std::string whole = CameraLog(kThreePoints);
    const std::string blanks(300 * 1024, ' ');
    struct Case {
        std::string log;
        std::int32_t records;
        bool endsEarly;
    };
    const Case cases[] = {
        {whole, 3, false},
        {whole + "\r\n\r\n\t\r\n", 3, false},
        {whole.substr(0, whole.size() - 8) + "</KML>", 3, false},
        {whole + "\x1A<Placemark>", 3, false},
        {blanks + whole + blanks, 3, false},
        {whole.substr(0, whole.find("</coordinates>", whole.find("35.681300"))), 2, true},
        {whole.substr(0, whole.find("</Document>")), 3, true},
        {whole.substr(0, whole.find("</kml>")) + "\x1A</kml>", 3, true},
        {whole.substr(0, whole.find("</kml>")) + blanks + "</kml", 3, true},
    };
    for (const Case& c : cases) {
        RecordingReport fresh;
        const std::string log = dir.File("cut.kml");
        WriteBytes(log, c.log);
        EXPECT_EQ(ConvertLogFile(log, {}, fresh, Cp1252()).records, c.records) << c.log.size();
        EXPECT_EQ(fresh.lines.at(2) == "  The log ends early, it may be cut short", c.endsEarly)
            << c.log.size();
    }
}

TEST_F(ConvertLogFileTest, MissingLog) {
    const std::string log = dir.File("missing.kml");
    const ConversionOutcome outcome = Convert(log);
    EXPECT_EQ(outcome.result, NotFound);
    EXPECT_EQ(report.events, (Events{"reveal", "line:Not found: " + log, "line:"}));
    EXPECT_TRUE(FolderEntries(dir.Path()).empty());
}

TEST_F(ConvertLogFileTest, NotACameraLogLeavesNothingBehind) {
    const std::string log = dir.File("route.kml");
    WriteBytes(log, "<kml><Document><name>route</name></Document></kml>\r\n");
    const ConversionOutcome outcome = Convert(log);
    EXPECT_EQ(outcome.result, NotCameraLog);
    EXPECT_EQ(report.events, (Events{"line:Path: " + Folder(), "line:File: route.kml", "reveal",
                                     "line:  Not file of \"EXILIM LOG\": " + log, "reveal",
                                     "line:  Error!!", "line:"}));
    EXPECT_EQ(FolderEntries(dir.Path()), (Names{"route.kml"}));
}

TEST_F(ConvertLogFileTest, CameraLogsWithoutRecords) {
    struct Case {
        const char* what;
        std::string log;
    };
    const Case cases[] = {
        {"no placemarks", CameraLog({})},
        {"signature in capitals, all on one line",
         "<kml><NAME>EXILIM LOG</NAME><description>d</description><Placemark><name>1</name>"
         "<description>a<br>(2023/07/06 10:15:30)</description><Point><coordinates>1,2,3"
         "</coordinates></Point></Placemark></kml>"},
        {"empty description", "<name>exilim log</name>\r\n<description>d</description>\r\n"
                              "<name>1</name>\r\n<description></description>\r\n"
                              "<Point><coordinates>1,2,3</coordinates></Point></kml>\r\n"},
    };
    for (const Case& c : cases) {
        RecordingReport fresh;
        const std::string log = dir.File("empty.kml");
        WriteBytes(log, c.log);
        const ConversionOutcome outcome = ConvertLogFile(log, {}, fresh, Cp1252());
        EXPECT_EQ(outcome.result, NoRecords) << c.what;
        EXPECT_EQ(fresh.events, (Events{"line:Path: " + Folder(), "line:File: empty.kml", "reveal",
                                        "line:  No valid data", "line:"}))
            << c.what;
        EXPECT_EQ(FolderEntries(dir.Path()), (Names{"empty.kml"})) << c.what;
    }
}

TEST_F(ConvertLogFileTest, CsvThatCannotBeCreated) {
    const std::string log = dir.File("walk.kml");
    WriteBytes(log, CameraLog(kThreePoints));
    std::filesystem::create_directory(dir.Path() / "walk.csv");
    const ConversionOutcome outcome = Convert(log);
    EXPECT_EQ(outcome.result, CannotCreate);
    EXPECT_EQ(report.events,
              (Events{"reveal", "line:Cannot create file: " + dir.File("walk.csv"), "line:"}));
    // The log was closed again: it can be removed at once.
    EXPECT_TRUE(std::filesystem::remove(dir.Path() / "walk.kml"));
    EXPECT_EQ(FolderEntries(dir.Path()), (Names{"walk.csv"}));
}

TEST_F(ConvertLogFileTest, ReadOnlyCsvIsNotReplaced) {
    const std::string log = dir.File("walk.kml");
    const std::string csv = dir.File("walk.csv");
    WriteBytes(log, CameraLog(kThreePoints));
    WriteBytes(csv, "earlier");
    std::filesystem::permissions(test::FromUtf8(csv), std::filesystem::perms::owner_read |
                                                          std::filesystem::perms::group_read);
    EXPECT_EQ(Convert(log).result, CannotCreate);
    EXPECT_EQ(ReadBytes(csv), "earlier");
    EXPECT_EQ(FolderEntries(dir.Path()), (Names{"walk.csv", "walk.kml"}));
}

TEST_F(ConvertLogFileTest, NamesTooLongToCreate) {
    // The log's name fits in 259 characters, its CSV name (".csv" appended) does not.
    std::filesystem::path folder = dir.Path();
    while (folder.u8string().size() < 240)
        folder /= "ddddddddd";
    std::filesystem::create_directories(folder);
    std::u8string folderName = folder.u8string();
    std::string log(folderName.begin(), folderName.end());
    log += '/';
    log.append(257 - log.size(), 't');
    ASSERT_EQ(log.size(), 257u);
    WriteBytes(log, CameraLog(kThreePoints));
    EXPECT_EQ(Convert(log).result, CannotCreate);
    EXPECT_FALSE(Exists(log + ".csv"));
}

TEST_F(ConvertLogFileTest, ExistingCsvSurvivesEveryFailureAndIsReplacedOnSuccess) {
    const std::string log = dir.File("walk.kml");
    const std::string csv = dir.File("walk.csv");
    WriteBytes(csv, "earlier");
    WriteBytes(log, "<kml>not a camera log</kml>");
    EXPECT_EQ(Convert(log).result, NotCameraLog);
    EXPECT_EQ(ReadBytes(csv), "earlier");
    WriteBytes(log, CameraLog({}));
    EXPECT_EQ(Convert(log).result, NoRecords);
    EXPECT_EQ(ReadBytes(csv), "earlier");
    WriteBytes(log, CameraLog(kThreePoints));
    EXPECT_EQ(Convert(log).records, 3);
    EXPECT_EQ(ReadBytes(csv).substr(0, 6), "INDEX,");
    EXPECT_EQ(FolderEntries(dir.Path()), (Names{"walk.csv", "walk.kml"}));
}

// The name's rules are TextUtil's ChangeFileExt.
TEST_F(ConvertLogFileTest, CsvNameFromLogName) {
    const std::string log = dir.File("Track.KML");
    WriteBytes(log, CameraLog(kThreePoints));
    EXPECT_EQ(Convert(log).records, 3);
    EXPECT_TRUE(Exists(dir.File("Track.csv")));
}

TEST_F(ConvertLogFileTest, LogLayoutQuirks) {
    // Without a document description the first placemark's description is stepped over.
    const std::string log = dir.File("nodoc.kml");
    std::string text = CameraLog(kThreePoints);
    const std::string documentDescription = "<description>GPS log</description>\r\n";
    text.erase(text.find(documentDescription), documentDescription.size());
    WriteBytes(log, text);
    EXPECT_EQ(Convert(log).records, 2);
    EXPECT_EQ(ReadBytes(dir.File("nodoc.csv")).find("1,2023"), std::string::npos);
}

TEST_F(ConvertLogFileTest, DoubleByteTextReachesTheCsvUnchanged) {
    const std::string log = dir.File("sjis.kml");
    // Katakana A (0x83 0x41) in the index and in the time; 'A' must not become 'a'.
    WriteBytes(log, CameraLog({{"7\x83\x41", "2023/07/06 10:15:30\x83\x41", "1,2,3"}}));
    EXPECT_EQ(ConvertLogFile(log, {}, report, *CodePage::FromName("932")).records, 1);
    EXPECT_EQ(ReadBytes(dir.File("sjis.csv")),
              "INDEX,TIME,LATITUDE,N/S,LONGITUDE,E/W,HEIGHT\r\n"
              "7\x83\x41,2023/07/06 10:15:30\x83\x41,2,N,1,E,3\r\n");
}

TEST_F(ConvertLogFileTest, LineLongerThanTheLimitEndsThisFileOnly) {
    const std::string log = dir.File("long.kml");
    const std::string csv = dir.File("long.csv");
    // A camera log whose last placemark's description never ends its line.
    std::string text = CameraLog(kThreePoints);
    text += "<name>4</name>\r\n<description>" + std::string(kMaxLineBytes, 'x');
    WriteBytes(log, text);
    WriteBytes(csv, "earlier");
    const ConversionOutcome outcome = Convert(log);
    EXPECT_EQ(outcome.result, LineTooLong);
    EXPECT_EQ(report.events, (Events{"line:Path: " + Folder(), "line:File: long.kml", "reveal",
                                     "line:  Line longer than 64 MiB: " + log, "reveal",
                                     "line:  Error!!", "line:"}));
    EXPECT_EQ(ReadBytes(csv), "earlier");
    EXPECT_EQ(FolderEntries(dir.Path()), (Names{"long.csv", "long.kml"}));
}

#ifdef _WIN32
// The access list of a file in SDDL, or the error.
std::wstring AccessList(const std::wstring& path) {
    PACL access = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (const DWORD error =
            GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                  nullptr, &access, nullptr, &descriptor))
        return L"error " + std::to_wstring(error);
    wchar_t* text = nullptr;
    ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                         DACL_SECURITY_INFORMATION, &text, nullptr);
    std::wstring result = text ? text : L"";
    LocalFree(text);
    LocalFree(descriptor);
    return result;
}

std::wstring CurrentUser() {
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    GetTokenInformation(token, TokenUser, user.data(), size, &size);
    CloseHandle(token);
    wchar_t* text = nullptr;
    ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text);
    std::wstring result = text ? text : L"";
    LocalFree(text);
    return result;
}

TEST_F(ConvertLogFileTest, ReplacedCsvKeepsItsAttributesAndAccessList) {
    const std::string log = dir.File("walk.kml");
    const std::string csv = dir.File("walk.csv");
    WriteBytes(log, CameraLog(kThreePoints));
    WriteBytes(csv, "earlier");
    const std::wstring wide = test::FromUtf8(csv).wstring();
    ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    // A private access list, not what a new file gets: the user and the system, nobody else.
    // (Wine keeps it as the file's Unix permission bits.)
    const std::wstring privateList = L"D:P(A;;FA;;;SY)(A;;FA;;;" + CurrentUser() + L")";
    PSECURITY_DESCRIPTOR wanted = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        privateList.c_str(), SDDL_REVISION_1, &wanted, nullptr));
    ASSERT_TRUE(SetFileSecurityW(wide.c_str(), DACL_SECURITY_INFORMATION, wanted));
    LocalFree(wanted);
    const std::wstring before = AccessList(wide);
    WriteBytes(dir.File("new.csv"), "new");
    ASSERT_NE(AccessList(test::FromUtf8(dir.File("new.csv")).wstring()), before)
        << std::string(before.begin(), before.end());

    EXPECT_EQ(Convert(log).records, 3);
    EXPECT_EQ(ReadBytes(csv).substr(0, 6), "INDEX,");
    EXPECT_TRUE(GetFileAttributesW(wide.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    const std::wstring after = AccessList(wide);
    EXPECT_EQ(after, before) << std::string(after.begin(), after.end());
}

#else
TEST_F(ConvertLogFileTest, OnlyRegularFilesAreLogs) {
    // None of them may block or read without end: each is "Not found" at once.
    const std::string fifo = dir.File("fifo.kml");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(dir.Path() / "folder.kml");
    for (const std::string& log : {fifo, dir.File("folder.kml"), std::string("/dev/zero")}) {
        RecordingReport fresh;
        const ConversionOutcome outcome = ConvertLogFile(log, {}, fresh, Cp1252());
        EXPECT_EQ(outcome.result, NotFound) << log;
        EXPECT_EQ(fresh.lines, (Names{"Not found: " + log, ""}));
    }
    EXPECT_EQ(FolderEntries(dir.Path()), (Names{"fifo.kml", "folder.kml"}));
}

TEST_F(ConvertLogFileTest, ReplacedCsvKeepsItsPermissionsAndOwner) {
    const std::string log = dir.File("walk.kml");
    const std::string csv = dir.File("walk.csv");
    WriteBytes(log, CameraLog(kThreePoints));
    WriteBytes(csv, "earlier");
    ASSERT_EQ(::chmod(csv.c_str(), 0600), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(csv.c_str(), 4321, 4322), 0);
    }
    EXPECT_EQ(Convert(log).records, 3);
    struct stat info {};
    ASSERT_EQ(::stat(csv.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u) << "a private track stays private";
    if (root) {
        EXPECT_EQ(info.st_uid, 4321u);
        EXPECT_EQ(info.st_gid, 4322u);
    }
    EXPECT_EQ(ReadBytes(csv).substr(0, 6), "INDEX,");
}

TEST_F(ConvertLogFileTest, SymbolicLinkIsReplacedNotWrittenThrough) {
    const std::string log = dir.File("walk.kml");
    const std::string csv = dir.File("walk.csv");
    const std::string elsewhere = dir.File("elsewhere.txt");
    WriteBytes(log, CameraLog(kThreePoints));
    WriteBytes(elsewhere, "not yours");
    std::filesystem::create_symlink(test::FromUtf8(elsewhere), test::FromUtf8(csv));
    EXPECT_EQ(Convert(log).records, 3);
    EXPECT_FALSE(std::filesystem::is_symlink(test::FromUtf8(csv)));
    EXPECT_EQ(ReadBytes(csv).substr(0, 6), "INDEX,");
    EXPECT_EQ(ReadBytes(elsewhere), "not yours");
}

// Makes every write past `bytes` fail (EFBIG) instead of killing the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

TEST_F(ConvertLogFileTest, WriteFailurePassesOnAndKeepsTheEarlierCsv) {
    const std::string log = dir.File("big.kml");
    const std::string csv = dir.File("big.csv");
    std::vector<test::TrackPoint> points;
    for (int i = 0; i < 5000; ++i)
        points.push_back({std::to_string(i), "2023/07/06 10:15:30", "1,2,3"});
    WriteBytes(log, CameraLog(points));
    WriteBytes(csv, "earlier");
    {
        FileSizeLimit limit(64 * 1024);
        EXPECT_THROW(Convert(log), IoError);
    }
    EXPECT_EQ(report.events.back(), "line:");
    EXPECT_EQ(report.events.at(report.events.size() - 2), "line:  Error!!");
    EXPECT_EQ(report.events.at(report.events.size() - 3), "reveal");
    EXPECT_EQ(ReadBytes(csv), "earlier");
    EXPECT_EQ(FolderEntries(dir.Path()), (Names{"big.csv", "big.kml"}));
}
#endif

} // namespace
} // namespace nordavel
