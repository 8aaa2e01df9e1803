// Nordavel.exe's settings file and the file-open dialog's placement, end to end under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "../TestSupport.h"
#include "UiDriver.h"
#include "platform/win32/WideText.h"
#include "ui/resource.h"

namespace nordavel::uitest {
namespace {

using test::TempDir;
using Lines = std::vector<std::wstring>;

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteSettings(const std::wstring& path, const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    test::WriteBytes(win32::Narrow(path), bytes);
}

Lines SavedSettings(const std::wstring& folder, int top, int left, const std::wstring& checks,
                    const std::wstring& charset = L"0", const std::wstring& output = L"csv",
                    const std::wstring& zone = L"") {
    return Lines{L"[Option]",
                 L"DataPath=" + folder,
                 L"MainTop=" + std::to_wstring(top),
                 L"MainLeft=" + std::to_wstring(left),
                 L"[Font]",
                 L"Charset=" + charset,
                 L"FontName=Tahoma",
                 L"FontSize=8",
                 L"[CSVopt]",
                 std::wstring(L"Index=") + checks[0],
                 std::wstring(L"DateTime=") + checks[1],
                 std::wstring(L"SNEW=") + checks[2],
                 std::wstring(L"RCR=") + checks[3],
                 std::wstring(L"VALID=") + checks[4],
                 L"[Output]",
                 L"Format=" + output,
                 L"TimeZone=" + zone};
}

TEST(Settings, FirstStartCreatesTheFileAndClosingFillsIt) {
    TempDir dir;
    DWORD exitCode = 0;
    Program program(L"", Folder(dir));
    const std::wstring ini = program.ProgramFolder() + L"\\Nordavel.ini";
    ASSERT_TRUE(WaitUntil([&] { return Exists(ini); }));
    EXPECT_EQ(FileBytes(ini), "\xFF\xFE");
    const RECT where = ScreenRect(program.Main());
    ASSERT_TRUE(program.Close(exitCode));
    EXPECT_EQ(SettingsLines(ini),
              SavedSettings(program.ProgramFolder(), where.top, where.left, L"11100"));
}

TEST(Settings, ARestartRestoresOptionsPositionAndDialogFolder) {
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "gps");
    test::WriteBytes(dir.File("gps/a.kml"), "a");
    test::WriteBytes(dir.File("gps/b.kml"), "b");
    const std::wstring gps = (dir.Path() / "gps").wstring();
    const std::wstring programFolder = Folder(dir) + L"\\program";
    DWORD exitCode = 0;
    {
        Program program(L"", Folder(dir));
        program.Click(IDC_CHECKBOX_INDEX);
        program.Click(IDC_CHECKBOX_RCR);
        program.Click(IDC_RADIO_GPX);
        SetText(program.Control(IDC_ZONE_BOX), L"japan"); // an alias, kept as its zone
        SetWindowPos(program.Main(), nullptr, 123, 145, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        OpenDialog dialog(program);
        dialog.Open(gps);
        dialog.Open(L"a.kml");
        ASSERT_TRUE(dialog.WaitClosed());
        ASSERT_TRUE(program.Close(exitCode));
    }
    EXPECT_EQ(SettingsLines(programFolder + L"\\Nordavel.ini"),
              SavedSettings(gps, 145, 123, L"01110", L"0", L"gpx", L"Asia/Tokyo"));

    StartOptions same;
    same.executable = programFolder + L"\\Nordavel.exe";
    Program program(L"", Folder(dir), same);
    EXPECT_FALSE(Checked(program, IDC_CHECKBOX_INDEX));
    EXPECT_TRUE(Checked(program, IDC_CHECKBOX_RCR));
    EXPECT_TRUE(Checked(program, IDC_CHECKBOX_DATETIME));
    EXPECT_TRUE(WaitUntil([&] { return ScreenRect(program.Main()).left == 123; }));
    EXPECT_TRUE(Checked(program, IDC_RADIO_GPX));
    EXPECT_EQ(Text(program.Control(IDC_ZONE_BOX)), L"Asia/Tokyo");
    EXPECT_EQ(ScreenRect(program.Main()).top, 145);
    OpenDialog dialog(program);
    dialog.Open(L"b.kml"); // a bare name: from the folder the dialog starts in
    ASSERT_TRUE(dialog.WaitClosed());
    EXPECT_EQ(program.List(), gps + L"\\b.kml\r\n");
}

TEST(Settings, ASettingsFileNamedOnTheCommandLine) {
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "sub");
    DWORD exitCode = 0;
    {
        // A bare name lies beside the executable, its letter case kept.
        Program program(L"walk.kml Custom.INI", Folder(dir));
        const std::wstring ini = program.ProgramFolder() + L"\\Custom.INI";
        ASSERT_TRUE(WaitUntil([&] { return Exists(ini); }));
        EXPECT_EQ(program.List(), L"walk.kml\r\n");
        ASSERT_TRUE(program.Close(exitCode));
        EXPECT_EQ(SettingsLines(ini).size(), 17u);
        EXPECT_FALSE(Exists(program.ProgramFolder() + L"\\Nordavel.ini"));
    }
    {
        // One with a folder part is taken from the working folder; a file there is loaded.
        WriteSettings(Folder(dir) + L"\\sub\\x.ini", L"[CSVopt]\r\nVALID=1\r\nSNEW=0\r\n");
        Program program(L"sub\\x.ini", Folder(dir));
        EXPECT_TRUE(WaitUntil([&] { return Checked(program, IDC_CHECKBOX_VALID); }));
        EXPECT_FALSE(Checked(program, IDC_CHECKBOX_SNEW));
        EXPECT_TRUE(Checked(program, IDC_RADIO_CSV)) << "a file without the output's section";
        ASSERT_TRUE(program.Close(exitCode));
        // Keys already there keep their place; missing sections come at the end.
        const Lines lines = SettingsLines(Folder(dir) + L"\\sub\\x.ini");
        ASSERT_EQ(lines.size(), 17u);
        EXPECT_EQ(lines[0], L"[CSVopt]");
        EXPECT_EQ(lines[1], L"VALID=1");
        EXPECT_EQ(lines[2], L"SNEW=0");
        EXPECT_EQ(lines[6], L"[Option]");
    }
}

TEST(Settings, AFolderThatDoesNotExistUsesThePerUserFile) {
    TempDir dir;
    DWORD exitCode = 0;
    const std::wstring missing = Folder(dir) + L"\\missing\\x.ini";
    Program program(L"\"" + missing + L"\"", Folder(dir));
    const std::wstring perUser = Folder(dir) + L"\\appdata\\Nordavel\\x.ini";
    ASSERT_TRUE(WaitUntil([&] { return Exists(perUser); }));
    EXPECT_EQ(FileBytes(perUser), "\xFF\xFE");
    ASSERT_TRUE(program.Close(exitCode));
    EXPECT_EQ(SettingsLines(perUser).size(), 17u);
    EXPECT_FALSE(Exists(missing));
}

TEST(Settings, APerUserFolderThatCannotBeMadeIsReported) {
    TempDir dir;
    test::WriteBytes(dir.File("afile"), "not a folder");
    StartOptions options;
    options.environment = {{L"APPDATA", Folder(dir) + L"\\afile"}};
    Program program(L"\"" + Folder(dir) + L"\\missing\\x.ini\"", Folder(dir), options);
    const HWND box = WaitForDialog(program.ProcessId());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Text(box), L"Nordavel");
    const std::wstring message = BoxMessage(box);
    EXPECT_EQ(message, L"Cannot create : " + Folder(dir) + L"\\afile\\Nordavel\\.");
    SendMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return VisibleDialogs(program.ProcessId()).empty(); }));

    // The program goes on with its built-in settings, and a close writes no file.
    program.Click(IDC_CHECKBOX_RCR);
    EXPECT_TRUE(Checked(program, IDC_CHECKBOX_RCR));
    DWORD exitCode = 0;
    ASSERT_TRUE(program.Close(exitCode));
    EXPECT_TRUE(test::FolderEntries(dir.Path() / "program") ==
                std::vector<std::string>{"Nordavel.exe"});
}

// The folder settings.sh prepared for a case that needs it, or empty.
std::wstring SetupFolder() {
    const char* folder = std::getenv("NORDAVEL_SETUP_FOLDER");
    if (folder == nullptr) return {};
    std::string path = folder;
    if (!path.empty() && path.front() == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return win32::Widen(path);
}

void SetWriteTime(const std::wstring& path, WORD year) {
    SYSTEMTIME when{};
    when.wYear = year;
    when.wMonth = 1;
    when.wDay = 1;
    FILETIME time{};
    SystemTimeToFileTime(&when, &time);
    const HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

// settings.sh made "ro" a folder nobody may create files in, holding Nordavel.exe and a
// settings file that ticks RCR.
TEST(ReadOnly, AnUnwritableFolderUsesAPerUserCopyMadeWhenNewer) {
    const std::wstring setup = SetupFolder();
    if (setup.empty()) GTEST_SKIP() << "runs under settings.sh only";
    TempDir dir;
    StartOptions options;
    options.executable = setup + L"\\ro\\Nordavel.exe";
    options.environment = {{L"APPDATA", Folder(dir) + L"\\appdata"}};
    const std::wstring source = setup + L"\\ro\\Nordavel.ini";
    const std::wstring copy = Folder(dir) + L"\\appdata\\Nordavel\\Nordavel.ini";
    const std::string original = FileBytes(source);
    DWORD exitCode = 0;
    {
        // No copy yet: the folder below APPDATA is made and the file copied.
        Program program(L"", Folder(dir), options);
        EXPECT_TRUE(WaitUntil([&] { return Checked(program, IDC_CHECKBOX_RCR); }));
        EXPECT_EQ(FileBytes(copy), original);
        ASSERT_TRUE(program.Close(exitCode));
        EXPECT_EQ(SettingsLines(copy).size(), 17u);
        EXPECT_EQ(FileBytes(source), original);
    }
    {
        // The copy is newer: used as it is.
        Program program(L"", Folder(dir), options);
        EXPECT_TRUE(WaitUntil([&] { return Checked(program, IDC_CHECKBOX_RCR); }));
        EXPECT_EQ(SettingsLines(copy).size(), 17u);
        ASSERT_TRUE(program.Close(exitCode));
    }
    {
        // The source is newer: copied over the copy again.
        SetWriteTime(source, 2099);
        Program program(L"", Folder(dir), options);
        EXPECT_TRUE(WaitUntil([&] { return Checked(program, IDC_CHECKBOX_RCR); }));
        EXPECT_EQ(FileBytes(copy), original);
    }
}

// settings.sh made "rofile" a folder whose settings file (ticking RCR) nobody may change.
TEST(ReadOnly, AReadOnlySettingsFileStaysAsItIs) {
    const std::wstring setup = SetupFolder();
    if (setup.empty()) GTEST_SKIP() << "runs under settings.sh only";
    TempDir dir;
    StartOptions options;
    options.executable = setup + L"\\rofile\\Nordavel.exe";
    const std::wstring ini = setup + L"\\rofile\\Nordavel.ini";
    const std::string before = FileBytes(ini);
    Program program(L"", Folder(dir), options);
    EXPECT_TRUE(WaitUntil([&] { return Checked(program, IDC_CHECKBOX_RCR); }));
    program.Click(IDC_CHECKBOX_VALID);
    DWORD exitCode = 1;
    ASSERT_TRUE(program.Close(exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(FileBytes(ini), before);
}

// settings.sh runs this in a Japanese locale (LANG): the user's locale is 1041.
TEST(Japanese, TheJapaneseUserLocaleTakesTheJapaneseCharset) {
    if (GetUserDefaultLCID() != 0x0411) GTEST_SKIP() << "runs in a Japanese locale only";
    TempDir dir;
    Program program(L"", Folder(dir));
    const std::wstring ini = program.ProgramFolder() + L"\\Nordavel.ini";
    const RECT where = ScreenRect(program.Main());
    DWORD exitCode = 0;
    ASSERT_TRUE(program.Close(exitCode));
    EXPECT_EQ(SettingsLines(ini),
              SavedSettings(program.ProgramFolder(), where.top, where.left, L"11100", L"128"));
}

// settings.sh runs this with the screen set to 120 pixels per inch.
TEST(Dpi, FontsAreMadeSmallerAndTheFileKeepsItsSize) {
    const HDC screen = GetDC(nullptr);
    const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    if (pixelsPerInch != 120) GTEST_SKIP() << "runs at 120 pixels per inch only";
    TempDir dir;
    Program program(L"", Folder(dir));
    ASSERT_TRUE(WaitUntil([&] { return Exists(program.ProgramFolder() + L"\\Nordavel.ini"); }));
    // Size 6 at 120 pixels per inch is a font 10 pixels high: the text boxes of both windows
    // step their lines by its height (a font handle cannot be read from another process).
    const HDC surface = GetDC(nullptr);
    const HFONT expected = CreateFontW(-10, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                       DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    const HGDIOBJ previous = SelectObject(surface, expected);
    TEXTMETRICW metrics{};
    GetTextMetricsW(surface, &metrics);
    SelectObject(surface, previous);
    DeleteObject(expected);
    ReleaseDC(nullptr, surface);
    const auto lineHeight = [](HWND edit) {
        SetText(edit, L"a\r\nb");
        const auto first = SendMessageW(edit, EM_POSFROMCHAR, 0, 0);
        const auto second = SendMessageW(edit, EM_POSFROMCHAR, 3, 0);
        return static_cast<int>(HIWORD(second)) - static_cast<int>(HIWORD(first));
    };
    EXPECT_EQ(lineHeight(program.Control(IDC_FILE_LIST)), metrics.tmHeight);
    EXPECT_EQ(lineHeight(GetDlgItem(program.Report(), IDC_REPORT_TEXT)), metrics.tmHeight);
    DWORD exitCode = 0;
    ASSERT_TRUE(program.Close(exitCode));
    EXPECT_EQ(SettingsLines(program.ProgramFolder() + L"\\Nordavel.ini").at(7), L"FontSize=8");
}

MONITORINFO MonitorOf(HWND window) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
    return info;
}

// Drags a window by its caption with the mouse, as a user would, in one step: every position
// change of the drag must reach the window.
void DragBy(HWND window, int dx, int dy) {
    const RECT r = ScreenRect(window);
    const POINT from{r.left + 80, r.top + GetSystemMetrics(SM_CYFRAME) + 8};
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    const auto input = [&](int x, int y, DWORD flags) {
        INPUT event{};
        event.type = INPUT_MOUSE;
        event.mi.dx = x * 65535 / (width - 1);
        event.mi.dy = y * 65535 / (height - 1);
        event.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        SendInput(1, &event, sizeof event);
    };
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    const auto moving = [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(thread, &info) && (info.flags & GUI_INMOVESIZE) != 0;
    };
    input(from.x, from.y, 0);
    input(from.x, from.y, MOUSEEVENTF_LEFTDOWN);
    WaitUntil(moving, 3000ms);
    input(from.x + dx, from.y + dy, 0);
    WaitUntil([&] { return ScreenRect(window).left != r.left; }, 3000ms);
    input(from.x + dx, from.y + dy, MOUSEEVENTF_LEFTUP);
    WaitUntil([&] { return !moving(); }, 3000ms);
}

TEST(OpenDialogPlacement, CentredOverTheMainWindowAndInsideTheWorkArea) {
    TempDir dir;
    Program program(L"", Folder(dir));
    const HWND main = program.Main();
    const RECT work = MonitorOf(main).rcWork;
    const auto centre = [](const RECT& r) {
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    };

    SetWindowPos(main, nullptr, 300, 250, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    {
        OpenDialog dialog(program);
        const RECT d = ScreenRect(dialog.Handle());
        const RECT m = ScreenRect(main);
        EXPECT_LE(std::abs(centre(d).x - centre(m).x), 1);
        EXPECT_LE(std::abs(centre(d).y - centre(m).y), 1);
        // Once open it goes where the user drags it by its caption.
        DragBy(dialog.Handle(), -200, -150);
        EXPECT_TRUE(
            WaitUntil([&] { return ScreenRect(dialog.Handle()).left == d.left - 200; }, 3000ms));
        EXPECT_EQ(ScreenRect(dialog.Handle()).top, d.top - 150);
        dialog.Press(IDCANCEL);
        ASSERT_TRUE(dialog.WaitClosed());
    }

    // Near the bottom: the dialog's bottom on the work area's, still centred across.
    SetWindowPos(main, nullptr, 300, work.bottom - 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    {
        OpenDialog dialog(program);
        const RECT d = ScreenRect(dialog.Handle());
        EXPECT_EQ(d.bottom, work.bottom);
        EXPECT_LE(std::abs(centre(d).x - centre(ScreenRect(main)).x), 1);
        dialog.Press(IDCANCEL);
        ASSERT_TRUE(dialog.WaitClosed());
    }

    // Near the left edge: the dialog's left edge on the work area's.
    SetWindowPos(main, nullptr, work.left, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    {
        OpenDialog dialog(program);
        EXPECT_EQ(ScreenRect(dialog.Handle()).left, work.left);
        dialog.Press(IDCANCEL);
        ASSERT_TRUE(dialog.WaitClosed());
    }
}

} // namespace
} // namespace nordavel::uitest
