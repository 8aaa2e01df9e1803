// Nordavel.exe end to end under Wine: the driver starts the program, works its windows from
// outside and checks what the user would see.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "../TestSupport.h"
#include "UiDriver.h"
#include "platform/win32/WideText.h"
#include "ui/resource.h"
#include "version/Version.h"

namespace nordavel::uitest {
namespace {

using test::CameraLog;
using test::TempDir;
using test::WriteBytes;

const std::vector<test::TrackPoint> kTwoPoints = {
    {"1", "2023/07/06 10:15:30", "139.767100,35.681200,40.0"},
    {"2", "2023/07/06 10:15:40", "139.767200,35.681300,41.5"},
};

std::wstring ExpectedCaption() {
    std::wstring minor = std::to_wstring(NORDAVEL_VERSION_MINOR);
    if (minor.size() < 2) minor.insert(0, L"0");
    return L"Nordavel to CSV Ver" + std::to_wstring(NORDAVEL_VERSION_MAJOR) + L"." + minor;
}

std::wstring ReportText(const Program& program) {
    return Text(GetDlgItem(program.Report(), IDC_REPORT_TEXT));
}

TEST(MainWindow, CaptionListAndEveryControl) {
    TempDir dir;
    Program program(L"D:\\a.kml D:\\set.INI walk.kml D:\\gps.2023\\walk", Folder(dir));
    const HWND main = program.Main();
    EXPECT_EQ(ClassOf(main), L"TFormMain");
    EXPECT_EQ(Text(main), ExpectedCaption());
    EXPECT_EQ(program.List(), L"D:\\a.kml\r\nwalk.kml\r\nD:\\gps.2023\\walk\r\n");

    RECT client{};
    GetClientRect(main, &client);
    EXPECT_EQ(client.right, 468);
    EXPECT_EQ(client.bottom, 260);
    EXPECT_EQ(GetWindowLongPtrW(main, GWL_STYLE) & WS_THICKFRAME, 0) << "fixed border";

    // Every control with its caption inside the client area; none overlaps another but the
    // option boxes, which lie in their frame, from left to right in the Tab key's order.
    const std::pair<int, const wchar_t*> controls[] = {
        {IDC_FILE_LIST_LABEL, L"Filename"},
        {IDC_REPORT_LABEL, L"Report"},
        {IDC_BUTTON_BROWSE, L"Browse"},
        {IDC_BUTTON_EXECUTE, L"Execute"},
        {IDC_BUTTON_EXIT, L"Exit"},
        {IDC_FILE_LIST, nullptr},
        {IDC_GROUPBOX_CSV, L" Output option "},
        {IDC_CHECKBOX_INDEX, L"Index"},
        {IDC_CHECKBOX_RCR, L"RCR"},
        {IDC_CHECKBOX_DATETIME, L"Date+Time"},
        {IDC_CHECKBOX_VALID, L"VALID"},
        {IDC_CHECKBOX_SNEW, L"S/N,E/W"},
    };
    constexpr std::size_t kFrame = 6;
    std::vector<RECT> placed;
    for (const auto& [id, caption] : controls) {
        const HWND control = program.Control(id);
        ASSERT_NE(control, nullptr) << id;
        if (caption) {
            EXPECT_EQ(Text(control), caption) << id;
        }
        placed.push_back(ClientRelativeRect(main, control));
        const RECT& rect = placed.back();
        EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= client.right &&
                    rect.bottom <= client.bottom && rect.right > rect.left)
            << id;
    }
    for (std::size_t i = 0; i < placed.size(); ++i) {
        for (std::size_t j = i + 1; j < placed.size(); ++j) {
            RECT common{};
            const bool overlap = IntersectRect(&common, &placed[i], &placed[j]) != FALSE;
            if (i > kFrame) {
                EXPECT_LT(placed[i].left, placed[j].left) << i << " " << j; // two boxes
            } else if (i == kFrame && j > kFrame) {
                EXPECT_TRUE(EqualRect(&common, &placed[j])) << j;
            } else {
                EXPECT_FALSE(overlap) << i << " " << j;
            }
        }
    }
    EXPECT_TRUE(Checked(program, IDC_CHECKBOX_INDEX));
    EXPECT_TRUE(Checked(program, IDC_CHECKBOX_DATETIME));
    EXPECT_TRUE(Checked(program, IDC_CHECKBOX_SNEW));
    EXPECT_FALSE(Checked(program, IDC_CHECKBOX_RCR));
    EXPECT_FALSE(Checked(program, IDC_CHECKBOX_VALID));

    // The report window exists from the start, hidden.
    ASSERT_NE(program.Report(), nullptr);
    EXPECT_FALSE(IsWindowVisible(program.Report()));
    EXPECT_EQ(Text(program.Report()), L"Report");
}

TEST(MainWindow, TabOrderAndFixedSize) {
    TempDir dir;
    Program program(L"", Folder(dir));
    const HWND main = program.Main();
    // The output's row comes last; with GPX the option boxes are left out, the zone is not.
    const auto expectOrder = [&](std::initializer_list<int> order) {
        for (auto id = order.begin(); id + 1 != order.end(); ++id)
            EXPECT_EQ(GetNextDlgTabItem(main, program.Control(*id), FALSE), program.Control(id[1]))
                << *id;
    };
    expectOrder({IDC_BUTTON_BROWSE, IDC_BUTTON_EXECUTE, IDC_BUTTON_EXIT, IDC_CHECKBOX_INDEX,
                 IDC_CHECKBOX_RCR, IDC_CHECKBOX_DATETIME, IDC_CHECKBOX_VALID, IDC_CHECKBOX_SNEW,
                 IDC_RADIO_CSV, IDC_BUTTON_BROWSE});
    program.Click(IDC_RADIO_GPX);
    expectOrder({IDC_BUTTON_EXIT, IDC_RADIO_GPX, IDC_ZONE_BOX, IDC_BUTTON_BROWSE});
    EXPECT_EQ(GetWindowLongPtrW(program.Control(IDC_FILE_LIST), GWL_STYLE) & WS_TABSTOP, 0);

    // Neither dragging nor maximizing makes it larger.
    const RECT before = ScreenRect(main);
    SendMessageW(main, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    const RECT maximized = ScreenRect(main);
    EXPECT_EQ(maximized.right - maximized.left, before.right - before.left);
    EXPECT_EQ(maximized.bottom - maximized.top, before.bottom - before.top);
    SendMessageW(main, WM_SYSCOMMAND, SC_RESTORE, 0);
    SetWindowPos(main, nullptr, 0, 0, 900, 700, SWP_NOMOVE | SWP_NOZORDER);
    const RECT dragged = ScreenRect(main);
    EXPECT_EQ(dragged.right - dragged.left, before.right - before.left);

    // The Tab key leaves the text box for the next control instead of typing a tab.
    const HWND memo = program.Control(IDC_FILE_LIST);
    SetText(memo, L"walk.kml");
    PostMessageW(memo, WM_KEYDOWN, VK_TAB, 0);
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    EXPECT_TRUE(WaitUntil(
        [&] {
            GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &thread);
            return thread.hwndFocus == program.Control(IDC_RADIO_GPX);
        },
        3000ms));
    EXPECT_EQ(Text(memo), L"walk.kml");

    // The text box takes lists far longer than an edit box's default limit.
    EXPECT_GT(SendMessageW(program.Control(IDC_FILE_LIST), EM_GETLIMITTEXT, 0, 0), 1000000);
}

TEST(Batch, StatusesFilesAndReportAfterOneRun) {
    TempDir dir;
    WriteBytes(dir.File("walk.kml"), CameraLog(kTwoPoints));
    WriteBytes(dir.File("route.kml"), "<kml><Document><name>route</name></Document></kml>\r\n");
    std::filesystem::create_directories(dir.File("logs/sub"));
    std::filesystem::create_directory(dir.File("empty"));
    for (const char* name : {"logs/b 10.kml", "logs/b 9.kml", "logs/sub/c.kml"})
        WriteBytes(dir.File(name), CameraLog(kTwoPoints));
    // A folder on the command line becomes its logs, as Explorer sorts them.
    Program program(L"walk.kml \"Completed > route.kml\" logs", Folder(dir));
    EXPECT_EQ(program.List(),
              L"walk.kml\r\nCompleted > route.kml\r\nlogs\\b 9.kml\r\nlogs\\b 10.kml\r\n");
    // Lines typed by the user count as well, a path pasted with its quotes and folders too.
    SetText(program.Control(IDC_FILE_LIST), L"\"walk.kml\"\r\nCompleted > route.kml\r\n* No data "
                                            L">walk.CSV\r\n  missing.kml\r\nlogs\r\nempty\r\n");
    program.Click(IDC_BUTTON_EXECUTE);
    EXPECT_EQ(program.List(), L"Completed > walk.kml\r\n"
                              L"* Not file of EXILIM LOG > route.kml\r\n"
                              L"* CSV file is not accepted > walk.CSV\r\n"
                              L"* Not found > missing.kml\r\n"
                              L"Completed > logs\\b 9.kml\r\nCompleted > logs\\b 10.kml\r\n"
                              L"* No log file > empty\r\n");
    EXPECT_TRUE(test::Exists(dir.File("walk.csv")));
    EXPECT_FALSE(test::Exists(dir.File("route.csv")));
    EXPECT_EQ(test::ReadBytes(dir.File("walk.csv")).substr(0, 46),
              "INDEX,TIME,LATITUDE,N/S,LONGITUDE,E/W,HEIGHT\r\n");

    // The failures revealed the report in front.
    const HWND report = program.Report();
    EXPECT_TRUE(IsWindowVisible(report));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == report; }, 3000ms));
    EXPECT_EQ(ReportText(program), L"Path: \r\nFile: walk.kml\r\n  Output: 2 records\r\n\r\n"
                                   L"Path: \r\nFile: route.kml\r\n"
                                   L"  Not file of \"EXILIM LOG\": route.kml\r\n  Error!!\r\n\r\n"
                                   L"CSV file is not accepted: walk.CSV\r\n\r\n"
                                   L"Not found: missing.kml\r\n\r\n"
                                   L"Path: logs\\\r\nFile: b 9.kml\r\n  Output: 2 records\r\n\r\n"
                                   L"Path: logs\\\r\nFile: b 10.kml\r\n  Output: 2 records\r\n\r\n"
                                   L"No log file in folder: empty\r\n\r\n");

    // A second run starts the report afresh and gives the same lines.
    program.Click(IDC_BUTTON_EXECUTE);
    EXPECT_EQ(program.List().substr(0, 22), L"Completed > walk.kml\r\n");
    EXPECT_EQ(ReportText(program).substr(0, 20), L"Path: \r\nFile: walk.k");
}

TEST(Batch, TheOutputIsAsTheWindowShowsIt) {
    TempDir dir;
    WriteBytes(dir.File("walk.kml"), CameraLog(kTwoPoints));
    Program program(L"walk.kml", Folder(dir));
    for (int id : {IDC_CHECKBOX_INDEX, IDC_CHECKBOX_RCR, IDC_CHECKBOX_VALID, IDC_CHECKBOX_SNEW})
        program.Click(id);
    program.Click(IDC_BUTTON_EXECUTE);
    EXPECT_EQ(test::ReadBytes(dir.File("walk.csv")).substr(0, 35),
              "RCR,TIME,VALID,LATITUDE,LONGITUDE,H");

    // GPX in a zone found by part of its name: the boxes wait, ticks kept, and the track is
    // nordavel-cli's to the byte, across the hour that spring skips, from a log cut short.
    const std::string log = CameraLog({{"1", "2023/03/26 01:59:50", "13.4,52.5,34"},
                                       {"2", "2023/03/26 02:30:00", "13.4,52.5,34"},
                                       {"3", "2023/03/26 03:00:10", "13.4,52.5,34"}});
    WriteBytes(dir.File("spring.kml"), log.substr(0, log.rfind("</Placemark>")));
    std::filesystem::create_directory(dir.File("cli"));
    WriteBytes(dir.File("cli/spring.kml"), test::ReadBytes(dir.File("spring.kml")));
    SetText(program.Control(IDC_FILE_LIST), L"spring.kml\r\nwalk.gpx\r\n");
    program.Click(IDC_RADIO_GPX);
    EXPECT_FALSE(IsWindowEnabled(program.Control(IDC_CHECKBOX_RCR)));
    EXPECT_TRUE(Checked(program, IDC_CHECKBOX_RCR));
    const HWND zone = program.Control(IDC_ZONE_BOX);
    const HWND typed = FindWindowExW(zone, nullptr, L"Edit", nullptr);
    SendMessageW(program.Main(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(zone), TRUE);
    SetText(zone, L"");
    for (wchar_t c : std::wstring(L"berl"))
        SendMessageW(typed, WM_CHAR, c, 0);
    EXPECT_EQ(SendMessageW(zone, CB_GETCOUNT, 0, 0), 1) << "Europe/Berlin alone holds it";
    SendMessageW(typed, WM_KEYDOWN, VK_DOWN, 0);
    program.Click(IDC_BUTTON_EXECUTE);
    EXPECT_EQ(Text(zone), L"Europe/Berlin");
    EXPECT_EQ(program.List(),
              L"Completed > spring.kml\r\n* GPX file is not accepted > walk.gpx\r\n");
    const std::wstring report = L"Path: \r\nFile: spring.kml\r\n"
                                L"  The log ends early, it may be cut short\r\n"
                                L"  Times not in the zone: 1 records\r\n  Output: 3 records\r\n";
    EXPECT_EQ(ReportText(program).substr(0, report.size()), report);
    StartOptions cli;
    const std::wstring& path = ProgramPath(); // nordavel-cli.exe is built beside it
    cli.executable = path.substr(0, path.find_last_of(L"\\/") + 1) + L"nordavel-cli.exe";
    DWORD exitCode = 9;
    ASSERT_TRUE(RunToEnd(L"--format gpx --time-zone Europe/Berlin cli\\spring.kml", Folder(dir),
                         cli, exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(test::ReadBytes(dir.File("spring.gpx")), test::ReadBytes(dir.File("cli/spring.gpx")));
}

TEST(Report, HiddenAfterSuccessAndToggledByTheLabel) {
    TempDir dir;
    WriteBytes(dir.File("walk.kml"), CameraLog(kTwoPoints));
    Program program(L"walk.kml", Folder(dir));
    program.Click(IDC_BUTTON_EXECUTE);
    EXPECT_EQ(program.List(), L"Completed > walk.kml\r\n");
    const HWND report = program.Report();
    EXPECT_FALSE(IsWindowVisible(report));

    program.ClickReportLabel();
    EXPECT_TRUE(IsWindowVisible(report));
    const std::wstring text = ReportText(program);
    EXPECT_EQ(text, L"Path: \r\nFile: walk.kml\r\n  Output: 2 records\r\n\r\n");
    program.ClickReportLabel();
    EXPECT_FALSE(IsWindowVisible(report));
    EXPECT_EQ(ReportText(program), text);

    // Maximized: the label only brings it to the front.
    program.ClickReportLabel();
    ShowWindow(report, SW_MAXIMIZE);
    program.ClickReportLabel();
    EXPECT_TRUE(IsWindowVisible(report));
    EXPECT_TRUE(IsZoomed(report));

    // Minimized: the label restores it.
    ShowWindow(report, SW_MINIMIZE);
    EXPECT_TRUE(WaitUntil([&] { return IsIconic(report) != FALSE; }));
    program.ClickReportLabel();
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(report); }));
    EXPECT_TRUE(IsWindowVisible(report));

    // An empty list runs nothing: the report keeps its text.
    SetText(program.Control(IDC_FILE_LIST), L"");
    program.Click(IDC_BUTTON_EXECUTE);
    EXPECT_EQ(ReportText(program), text);

    // Its close box hides it; the program goes on and the text stays.
    SendMessageW(report, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(report));
    EXPECT_TRUE(IsWindow(program.Main()));
    EXPECT_EQ(ReportText(program), text);
}

TEST(Report, FirstShownCentredOverTheMainWindow) {
    TempDir dir;
    Program program(L"", Folder(dir));
    const HWND main = program.Main();
    SetWindowPos(main, nullptr, 300, 250, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    program.ClickReportLabel();
    const HWND report = program.Report();
    RECT client{};
    GetClientRect(report, &client);
    EXPECT_EQ(client.right, 525);
    EXPECT_EQ(client.bottom, 275);
    const RECT m = ScreenRect(main);
    const RECT r = ScreenRect(report);
    EXPECT_EQ(r.left, m.left + ((m.right - m.left) - (r.right - r.left)) / 2);
    EXPECT_EQ(r.top, m.top + ((m.bottom - m.top) - (r.bottom - r.top)) / 2);
    EXPECT_TRUE(GetWindowLongPtrW(report, GWL_STYLE) & WS_THICKFRAME) << "resizable";
    const auto memoStyle = GetWindowLongPtrW(GetDlgItem(report, IDC_REPORT_TEXT), GWL_STYLE);
    EXPECT_EQ(memoStyle & (ES_AUTOHSCROLL | WS_HSCROLL), 0) << "long lines wrap";
    EXPECT_TRUE(memoStyle & WS_VSCROLL);
    // The text box fills the client area, also after resizing.
    SetWindowPos(report, nullptr, 0, 0, 700, 400, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(report, &client);
    const RECT memo = ScreenRect(GetDlgItem(report, IDC_REPORT_TEXT));
    EXPECT_EQ(memo.right - memo.left, client.right);
    EXPECT_EQ(memo.bottom - memo.top, client.bottom);

    // Later it opens where it was left.
    program.ClickReportLabel();
    SetWindowPos(main, nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    program.ClickReportLabel();
    EXPECT_EQ(ScreenRect(report).left, r.left);
}

TEST(Report, NearTheWorkAreasCornerItStaysInside) {
    TempDir dir;
    Program program(L"", Folder(dir));
    SetWindowPos(program.Main(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    program.ClickReportLabel();
    const RECT r = ScreenRect(program.Report());
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
}

TEST(MainWindow, BrowseReplacesTheListAndRemembersTheFolder) {
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "gps");
    WriteBytes(dir.File("gps/a.kml"), "a");
    WriteBytes(dir.File("gps/b.kml"), "b");
    const std::wstring gps = (dir.Path() / "gps").wstring();
    Program program(L"old.kml", Folder(dir));

    {
        // Into the folder, then two files at once; the first entry of the filter is in use.
        OpenDialog dialog(program);
        EXPECT_EQ(dialog.FilterEntries(), 2);
        EXPECT_EQ(dialog.FilterEntry(), 0);
        dialog.Open(gps);
        dialog.Open(L"\"a.kml\" \"b.kml\"");
        ASSERT_TRUE(dialog.WaitClosed());
    }
    EXPECT_EQ(program.List(), gps + L"\\a.kml\r\n" + gps + L"\\b.kml\r\n");
    {
        // Next time it starts in the folder of the first file chosen; another filter entry.
        OpenDialog dialog(program);
        dialog.ChooseFilterEntry(1);
        dialog.Open(L"b.kml");
        ASSERT_TRUE(dialog.WaitClosed());
    }
    EXPECT_EQ(program.List(), gps + L"\\b.kml\r\n");
    {
        // The entry last used is selected again; a cancel changes nothing.
        OpenDialog dialog(program);
        EXPECT_EQ(dialog.FilterEntry(), 1);
        dialog.Press(IDCANCEL);
        ASSERT_TRUE(dialog.WaitClosed());
    }
    EXPECT_EQ(program.List(), gps + L"\\b.kml\r\n");
    {
        // A selection longer than the buffer: a box says so and the list stays. Wine checks the
        // size for one name only (many overrun the buffer), so the buffer is cut below one name.
        OpenDialog dialog(program);
        if (!dialog.ShortenBuffer(8)) GTEST_SKIP() << "needs the record of Wine's file dialog";
        dialog.Open(L"a.kml");
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil([&] {
            const auto dialogs = VisibleDialogs(program.ProcessId());
            box = dialogs.size() == 1 && dialogs.front() != dialog.Handle() ? dialogs.front()
                                                                            : nullptr;
            return box != nullptr;
        }));
        EXPECT_EQ(Text(box), L"Nordavel");
        EXPECT_EQ(GetWindow(box, GW_OWNER), program.Main());
        EXPECT_EQ(BoxMessage(box), L"Too many files were selected. Please select fewer at a time.");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(dialog.WaitClosed());
    }
    EXPECT_EQ(program.List(), gps + L"\\b.kml\r\n");
}

TEST(MainWindow, HintsForTheControls) {
    TempDir dir;
    Program program(L"", Folder(dir));
    const auto tips = TopLevelWindows(L"tooltips_class32", program.ProcessId());
    ASSERT_EQ(tips.size(), 1u);
    // Browse, Execute, Exit, the text box, the five check boxes, the "Report" label, the output's
    // two buttons and the time zone.
    EXPECT_EQ(SendMessageW(tips.front(), TTM_GETTOOLCOUNT, 0, 0), 13);
}

TEST(SingleInstance, SecondStartShowsTheRunningOneAndLeavesItAlone) {
    TempDir dir;
    Program program(L"first.kml", Folder(dir));
    DWORD exitCode = 99;
    StartOptions same;
    same.executable = program.ProgramFolder() + L"\\Nordavel.exe";
    ASSERT_TRUE(RunToEnd(L"second.kml", Folder(dir), same, exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(TopLevelWindows(L"TFormMain").size(), 1u);
    EXPECT_EQ(program.List(), L"first.kml\r\n");
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == program.Main(); }, 3000ms));

    // Minimised, it is restored to the front.
    ShowWindow(program.Main(), SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(program.Main()) != FALSE; }, 3000ms));
    ASSERT_TRUE(RunToEnd(L"", Folder(dir), same, exitCode));
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(program.Main()); }, 3000ms));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == program.Main(); }, 3000ms));

    // Once it has ended, the next start runs normally.
    ASSERT_TRUE(program.Close(exitCode));
    EXPECT_EQ(exitCode, 0u);
    Program next(L"third.kml", Folder(dir));
    EXPECT_EQ(next.List(), L"third.kml\r\n");
}

TEST(MainWindow, ExitAndCloseBoxEndTheProgram) {
    TempDir dir;
    DWORD exitCode = 99;
    {
        Program program(L"", Folder(dir));
        PostMessageW(program.Main(), WM_COMMAND, MAKEWPARAM(IDC_BUTTON_EXIT, BN_CLICKED),
                     reinterpret_cast<LPARAM>(program.Control(IDC_BUTTON_EXIT)));
        ASSERT_TRUE(program.WaitForExit(exitCode));
        EXPECT_EQ(exitCode, 0u);
    }
    {
        Program program(L"", Folder(dir));
        PostMessageW(program.Main(), WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_TRUE(program.WaitForExit(exitCode));
        EXPECT_EQ(exitCode, 0u);
    }
}

TEST(Batch, TenThousandNamesAreNeitherCutNorRefused) {
    TempDir dir;
    WriteBytes(dir.File("walk.kml"), CameraLog(kTwoPoints));
    Program program(L"", Folder(dir));
    std::wstring list;
    for (int i = 0; i < 10000; ++i)
        list += L"missing-" + std::to_wstring(i) + L".kml\r\n";
    list += L"walk.kml\r\n";
    SetText(program.Control(IDC_FILE_LIST), list);
    ASSERT_EQ(program.List(), list);
    program.Click(IDC_BUTTON_EXECUTE);
    const std::wstring after = program.List();
    EXPECT_EQ(after.substr(0, 33), L"* Not found > missing-0.kml\r\n* No");
    EXPECT_NE(after.find(L"* Not found > missing-9999.kml\r\nCompleted > walk.kml\r\n"),
              std::wstring::npos);
    const std::wstring report = ReportText(program);
    EXPECT_NE(report.find(L"Not found: missing-9999.kml\r\n\r\nPath: \r\nFile: walk.kml"),
              std::wstring::npos);
}

// Run by error_box.sh, which makes the log and limits the size of every file written: the CSV
// file cannot be written, the conversion passes the error on, and the error box shows it.
// A folder that a script prepared, as Windows names it, or empty when the test runs alone.
std::string PreparedFolder(const char* variable) {
    const char* prepared = std::getenv(variable);
    if (prepared == nullptr) return {};
    std::string folder = prepared;
    if (!folder.empty() && folder.front() == '/') folder = "Z:" + folder;
    return folder;
}

// Runs "LOG after.kml" in `folder`, where converting LOG fails in a way that is passed on: the
// error box shows the system's message, the run stops at LOG's line with the earlier CSV file
// kept, and the program goes on.
void ExpectRunStoppedByError(const std::string& folder, const std::wstring& log,
                             const std::wstring& messageStart, const std::wstring& named) {
    const std::wstring dir = win32::Widen(folder);
    const std::string csv = folder + "\\" + win32::Narrow(log.substr(0, log.rfind(L'.'))) + ".csv";
    Program program(log + L" after.kml", dir);
    program.PostClick(IDC_BUTTON_EXECUTE);
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        const auto dialogs = VisibleDialogs(program.ProcessId());
        box = dialogs.empty() ? nullptr : dialogs.front();
        return box != nullptr;
    }));
    EXPECT_EQ(Text(box), L"Nordavel");
    const std::wstring message = BoxMessage(box);
    EXPECT_EQ(message.rfind(messageStart, 0), 0u) << win32::Narrow(message);
    EXPECT_NE(message.find(named + L": "), std::wstring::npos) << win32::Narrow(message);
    // The message ends in the error code's ")", which comes before "." in character order: no
    // full stop is added.
    EXPECT_EQ(message.back(), L')');
    // The run stopped at the failing line; the line below it is untouched.
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return VisibleDialogs(program.ProcessId()).empty(); }));
    EXPECT_EQ(program.List(), log + L"\r\nafter.kml\r\n");
    EXPECT_EQ(test::ReadBytes(csv), "earlier");
    EXPECT_TRUE(IsWindowVisible(program.Report()));
    const std::wstring report = ReportText(program);
    EXPECT_EQ(report.substr(report.size() - 13), L"  Error!!\r\n\r\n");
    // It goes on working.
    SetText(program.Control(IDC_FILE_LIST), L"missing.kml\r\n");
    program.Click(IDC_BUTTON_EXECUTE);
    EXPECT_EQ(program.List(), L"* Not found > missing.kml\r\n");
}

TEST(ErrorBox, AWriteFailureIsShownAndTheProgramGoesOn) {
    const std::string folder = PreparedFolder("NORDAVEL_ERROR_BOX_FOLDER");
    if (folder.empty()) GTEST_SKIP() << "runs under faults.sh only";
    ExpectRunStoppedByError(folder, L"big.kml", L"Cannot write ", L"big.csv");
}

TEST(ErrorBox, AReadFailureIsShownAndTheProgramGoesOn) {
    const std::string folder = PreparedFolder("NORDAVEL_READ_ERROR_FOLDER");
    if (folder.empty()) GTEST_SKIP() << "runs under faults.sh, where FUSE is at hand";
    ExpectRunStoppedByError(folder, L"bad.kml", L"Cannot read ", L"bad.kml");
}

TEST(Faults, AProgramEndedInTheMiddleOfARunLeavesNothingBehind) {
    const std::string folder = PreparedFolder("NORDAVEL_INTERRUPT_FOLDER");
    if (folder.empty()) GTEST_SKIP() << "runs under faults.sh only";
    const std::wstring dir = win32::Widen(folder);
    const auto temporaryFiles = [&] {
        WIN32_FIND_DATAW found{};
        const HANDLE search = FindFirstFileW((dir + L"\\~nv*.tmp").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return false;
        FindClose(search);
        return true;
    };
    Program program(L"huge.kml", dir);
    program.PostClick(IDC_BUTTON_EXECUTE);
    ASSERT_TRUE(WaitUntil(temporaryFiles)) << "the conversion never began";
    // Ended as the session's end or the task manager would end it, in the middle of the file.
    program.Kill();
    EXPECT_TRUE(WaitUntil([&] { return !temporaryFiles(); }, 3000ms));
    EXPECT_EQ(test::ReadBytes(folder + "\\huge.csv"), "earlier");
}

} // namespace
} // namespace nordavel::uitest

namespace {

// For scripts that drive the program themselves (the drop test, the screenshots): one command
// on the running instance, then the driver ends. Exit status 0 when it worked.
int RunAttachedCommand(const std::string& command) {
    using namespace nordavel::uitest;
    HWND main = nullptr;
    const bool found = WaitUntil([&] {
        const auto windows = TopLevelWindows(L"TFormMain");
        main = windows.empty() ? nullptr : windows.front();
        return main != nullptr && IsWindowVisible(main);
    });
    if (!found) return 1;
    const auto print = [](const std::wstring& text) {
        const std::string utf8 = nordavel::win32::Narrow(text);
        std::fwrite(utf8.data(), 1, utf8.size(), stdout);
        return 0;
    };
    if (command == "wait") return 0;
    if (command == "caption") return print(Text(main));
    if (command == "list") return print(Text(GetDlgItem(main, IDC_FILE_LIST)));
    if (command == "options") {
        // The ticks of Index, RCR, Date+Time, VALID and S/N,E/W as 1 and 0.
        std::wstring ticks;
        for (int id : {IDC_CHECKBOX_INDEX, IDC_CHECKBOX_RCR, IDC_CHECKBOX_DATETIME,
                       IDC_CHECKBOX_VALID, IDC_CHECKBOX_SNEW})
            ticks +=
                SendMessageW(GetDlgItem(main, id), BM_GETCHECK, 0, 0) == BST_CHECKED ? L'1' : L'0';
        return print(ticks);
    }
    if (command == "box" || command == "dismiss") {
        // The error box over the program: its message, or pressing its OK button.
        DWORD processId = 0;
        GetWindowThreadProcessId(main, &processId);
        const HWND box = WaitForDialog(processId);
        if (!box) return 1;
        if (command == "dismiss") {
            SendMessageW(box, WM_COMMAND, IDOK, 0);
            return 0;
        }
        const std::wstring message = BoxMessage(box);
        return print(message);
    }
    if (command == "execute") {
        // The button's own notice: BM_CLICK needs the mouse capture, which a drop just before
        // may still hold.
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_BUTTON_EXECUTE, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(main, IDC_BUTTON_EXECUTE)));
        return 0;
    }
    if (command.rfind("gpx:", 0) == 0) {
        // GPX in the zone named after the colon.
        SendMessageW(GetDlgItem(main, IDC_RADIO_GPX), BM_CLICK, 0, 0);
        SetText(GetDlgItem(main, IDC_ZONE_BOX), nordavel::win32::Widen(command.substr(4)));
        return 0;
    }
    if (command == "toggle-report") {
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_REPORT_LABEL, STN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(main, IDC_REPORT_LABEL)));
        return 0;
    }
    if (command.rfind("set-list:", 0) == 0) {
        // The list's new text, from a UTF-8 file.
        std::string file = command.substr(9);
        if (!file.empty() && file.front() == '/') file = "Z:" + file;
        SetText(GetDlgItem(main, IDC_FILE_LIST),
                nordavel::win32::Widen(nordavel::test::ReadBytes(file)));
        return 0;
    }
    if (command.rfind("move-", 0) == 0) {
        // move-main:X,Y or move-report:X,Y
        int x = 0;
        int y = 0;
        const std::size_t colon = command.find(':');
        if (colon == std::string::npos ||
            std::sscanf(command.c_str() + colon + 1, "%d,%d", &x, &y) != 2)
            return 2;
        const bool report = command.rfind("move-report", 0) == 0;
        const auto reports = TopLevelWindows(L"TFormReport");
        const HWND window = report ? (reports.empty() ? nullptr : reports.front()) : main;
        if (!window) return 1;
        SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    if (command == "close") {
        DWORD processId = 0;
        GetWindowThreadProcessId(main, &processId);
        const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
        PostMessageW(main, WM_CLOSE, 0, 0);
        const bool ended = process && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
        if (process) CloseHandle(process);
        return ended ? 0 : 1;
    }
    std::fprintf(stderr, "unknown command %s\n", command.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: nordavel_ui_tests NORDAVEL.EXE [gtest options]\n"
                     "       nordavel_ui_tests NORDAVEL.EXE --attached COMMAND\n"
                     "       nordavel_ui_tests NORDAVEL.EXE --launch APPDATA [ARGUMENT...]\n");
        return 2;
    }
    std::string path = argv[1];
    // Under Wine the path may come as a Linux path: the Linux root is drive Z:.
    if (!path.empty() && path.front() == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    nordavel::uitest::ProgramPath() = nordavel::win32::Widen(path);
    if (argc == 4 && std::string(argv[2]) == "--attached") return RunAttachedCommand(argv[3]);
    if (argc >= 4 && std::string(argv[2]) == "--launch") {
        // Starts the program with APPDATA set and leaves it running: for scripts.
        std::wstring arguments;
        for (int i = 4; i < argc; ++i)
            arguments += (i > 4 ? L" \"" : L"\"") + nordavel::win32::Widen(argv[i]) + L"\"";
        nordavel::uitest::StartOptions options;
        options.executable = nordavel::uitest::ProgramPath();
        options.environment = {{L"APPDATA", nordavel::win32::Widen(argv[3])}};
        return nordavel::uitest::Launch(arguments, options) ? 0 : 1;
    }
    return RUN_ALL_TESTS();
}
