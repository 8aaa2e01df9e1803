#include "ui/MainWindow.h"

#include <algorithm>
#include <iterator>

#include "base/TextUtil.h"
#include "batch/BatchRun.h"
#include "batch/FolderLogs.h"
#include "conversion/ConvertLogFile.h"
#include "conversion/GpxLayout.h"
#include "desktop/AppText.h"
#include "desktop/IniLocation.h"
#include "desktop/SettingsValues.h"
#include "platform/win32/WideText.h"
#include "ui/MemoFileList.h"
#include "ui/OpenDialog.h"
#include "ui/ReportWindow.h"
#include "ui/resource.h"

namespace nordavel::win32 {

namespace {

constexpr wchar_t kClassName[] = L"TFormMain";
constexpr int kClientWidth = 468;
constexpr int kClientHeight = 260;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
// The limits the window starts with, before it fixes its maximum at its own size.
constexpr SIZE kMinimumSize{100, 60};
constexpr SIZE kResourceMaximumSize{480, 304};

} // namespace

MainWindow::MainWindow(HINSTANCE instance, HICON icon, const std::vector<std::string>& parameters,
                       CodePage codePage)
    : codePage_(std::move(codePage)) {
    RegisterWindowClass(instance, kClassName, icon);
    const SIZE outer = OuterSize(kClientWidth, kClientHeight, kStyle, 0);
    Create(instance, kClassName, L"", kStyle, 0, outer.cx, outer.cy);
    controls_.Create(Handle(), instance);
    zoneBox_.emplace(controls_.ZoneBox(), ZoneChoice(ComputerZoneName()));
    SetText(Handle(), MainCaption(VersionText(ExecutableFileVersionMs())));
    const Rect created = WindowRect(Handle());
    maxSize_ = SIZE{created.Width(), created.Height()};
    DragAcceptFiles(Handle(), TRUE);
    std::vector<std::string> lines;
    for (const std::string& name : FileListFromParameters(parameters))
        std::ranges::copy(ListLinesOf(name), std::back_inserter(lines));
    SetListLines(controls_.FileList(), lines);
}

void MainWindow::Show(int showCommand) {
    const Rect outer = WindowRect(Handle());
    const Point position = CentredOver(MonitorWorkArea(Handle()), outer.Width(), outer.Height());
    SetWindowPos(Handle(), nullptr, position.x, position.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(Handle(), showCommand);
    UpdateWindow(Handle());
}

bool MainWindow::TranslateDialogMessage(MSG& message) {
    if (message.hwnd != Handle() && !IsChild(Handle(), message.hwnd)) return false;
    // The text box does not keep the Tab key: it moves on to the next control.
    const HWND list = controls_.FileList();
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && message.hwnd == list &&
        GetKeyState(VK_CONTROL) >= 0) {
        const bool backwards = GetKeyState(VK_SHIFT) < 0;
        SetFocus(GetNextDlgTabItem(Handle(), list, backwards ? TRUE : FALSE));
        return true;
    }
    return IsDialogMessageW(Handle(), &message) != FALSE;
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_DROPFILES:
        return OnDropFiles(reinterpret_cast<HDROP>(wParam));
    case WM_GETMINMAXINFO:
        return OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
    case WM_SETCURSOR:
        return OnSetCursor(message, wParam, lParam);
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam));
    case WM_ACTIVATE:
        return OnActivate(message, wParam, lParam);
    case WM_QUERYENDSESSION:
        return OnQueryEndSession();
    case WM_CLOSE:
        return OnClose();
    case WM_DESTROY:
        return OnDestroy();
    default:
        return Default(message, wParam, lParam);
    }
}

LRESULT MainWindow::OnCommand(int id, int code) {
    if (id == IDC_ZONE_BOX) zoneBox_->OnCommand(code);
    if (code != BN_CLICKED) return 0; // also STN_CLICKED, which has the same value
    if (id == IDC_RADIO_CSV || id == IDC_RADIO_GPX) controls_.SetFormat(controls_.Format());
    if (id == IDC_BUTTON_BROWSE) ButtonBrowseClick();
    if (id == IDC_BUTTON_EXECUTE) ButtonExecuteClick();
    if (id == IDC_BUTTON_EXIT) SendMessageW(Handle(), WM_CLOSE, 0, 0);
    if (id == IDC_REPORT_LABEL) ReportLabelClick();
    return 0;
}

void MainWindow::ButtonBrowseClick() {
    OpenDialog dialog(Handle());
    const std::optional<OpenDialogChoice> choice = dialog.Show(filterIndex_, dialogFolder_);
    if (!choice) return;
    filterIndex_ = choice->filterIndex;
    dialogFolder_ = choice->folder;
    SetListLines(controls_.FileList(), choice->paths);
}

void MainWindow::ButtonExecuteClick() {
    if (!report_) return;
    const WaitCursor wait;
    const ReportWindow::Batch reportBatch(*report_);
    MemoFileList list(controls_.FileList());
    // The run handles no message: the choices cannot change while it lasts.
    zoneBox_->Take();
    const OutputFormat format = controls_.Format();
    const CsvOptions options = controls_.Options();
    GpxTrackLayout gpx(GpxOptions{zoneBox_->Zone(), 0});
    RunBatch(
        list, *report_,
        [&](const std::string& name) {
            if (format == OutputFormat::Gpx) return ConvertLogFile(name, gpx, *report_, codePage_);
            return ConvertLogFile(name, options, *report_, codePage_);
        },
        ListNames::Edited, format);
}

void MainWindow::ReportLabelClick() {
    if (report_) report_->Toggle();
}

LRESULT MainWindow::OnDropFiles(HDROP drop) {
    const std::vector<std::string> names = DroppedFileNames(drop);
    if (names.empty()) return 0;
    SetListLines(controls_.FileList(), {});
    // Line by line: when a dropped settings file cannot be used, the files before it stay.
    for (const std::string& name : names) {
        if (IsIniFileName(name)) {
            iniFileName_ = WritableIniFile(iniLocation_, name);
            LoadSettingsFromIniFile();
        } else {
            for (const std::string& line : ListLinesOf(name))
                AppendListLine(controls_.FileList(), line);
        }
    }
    return 0;
}

LRESULT MainWindow::OnGetMinMaxInfo(MINMAXINFO& info) const {
    const SIZE maximum = maxSize_.cx > 0 ? maxSize_ : kResourceMaximumSize;
    info.ptMinTrackSize = POINT{kMinimumSize.cx, kMinimumSize.cy};
    info.ptMaxTrackSize = POINT{maximum.cx, maximum.cy};
    info.ptMaxSize = POINT{maximum.cx, maximum.cy};
    return 0;
}

LRESULT MainWindow::OnSetCursor(UINT message, WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<HWND>(wParam) != controls_.ReportLabel())
        return Default(message, wParam, lParam);
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return TRUE;
}

LRESULT MainWindow::OnCtlColorStatic(HDC context) {
    SetBkMode(context, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT MainWindow::OnActivate(UINT message, WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) != WA_INACTIVE && !activated_) {
        // Set first: a failing location is not tried again at a later activation.
        activated_ = true;
        iniFileName_ = LocateIniFile(iniLocation_);
        LoadSettingsFromIniFile();
    }
    return Default(message, wParam, lParam);
}

LRESULT MainWindow::OnQueryEndSession() {
    SaveSettingsToIniFile();
    return TRUE;
}

LRESULT MainWindow::OnClose() {
    SaveSettingsToIniFile();
    DestroyWindow(Handle());
    return 0;
}

LRESULT MainWindow::OnDestroy() {
    PostQuitMessage(0);
    return 0;
}

void MainWindow::LoadSettingsFromIniFile() {
    ProfileSettingsStore store(iniFileName_);
    const Rect outer = WindowRect(Handle());
    LoadContext context;
    context.executableFolder = ExtractFilePath(ExecutablePath(), PathStyle::Windows);
    context.mainWindowSize = WindowSize{outer.Width(), outer.Height()};
    context.userDefaultLocale = GetUserDefaultLCID();
    context.workAreaNow = MonitorWorkArea(Handle());
    context.workAreaOf = [](const Rect& window) { return MonitorWorkArea(window); };
    if (const auto settings = LoadSettings(store, CurrentSettings(), context))
        ApplySettings(*settings);
}

void MainWindow::SaveSettingsToIniFile() {
    if (iniFileName_.empty()) return;
    ProfileSettingsStore store(iniFileName_);
    zoneBox_->Take();
    SaveSettings(store, CurrentSettings());
}

WindowSettings MainWindow::CurrentSettings() const {
    const Rect outer = WindowRect(Handle());
    return WindowSettings{dialogFolder_,       Point{outer.left, outer.top}, loadedFont_,
                          controls_.Options(), controls_.Format(),           zoneBox_->Kept()};
}

void MainWindow::ApplySettings(const WindowSettings& settings) {
    dialogFolder_ = settings.dialogFolder;
    MoveWindowTo(Handle(), settings.mainPosition);
    loadedFont_ = settings.font;
    const int pixelsPerInch = PixelsPerInch(Handle());
    LOGFONTW logFont{};
    // A size in points, as high in pixels as it is on this screen.
    logFont.lfHeight =
        -MulDiv(ScreenFontSize(settings.font.size, pixelsPerInch), pixelsPerInch, 72);
    logFont.lfCharSet = settings.font.charset;
    lstrcpynW(logFont.lfFaceName, Widen(settings.font.name).c_str(), LF_FACESIZE);
    controls_.SetFont(CreateFontIndirectW(&logFont));
    if (report_) report_->SetFont(CreateFontIndirectW(&logFont));
    controls_.SetOptions(settings.csvOptions);
    controls_.SetFormat(settings.outputFormat);
    zoneBox_->SetKept(settings.timeZone);
}

} // namespace nordavel::win32
