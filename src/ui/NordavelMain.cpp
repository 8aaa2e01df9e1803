#include "ui/NordavelMain.h"

#include <commctrl.h>
#include <shellapi.h>

#include <stdexcept>

#include "base/TextUtil.h"
#include "batch/BatchRun.h"
#include "conversion/ConvertLogFile.h"
#include "desktop/AppText.h"
#include "desktop/IniLocation.h"
#include "desktop/SettingsValues.h"
#include "platform/win32/WideText.h"
#include "ui/MemoFileList.h"
#include "ui/OpenDialog.h"
#include "ui/Report.h"
#include "ui/resource.h"

namespace nordavel::win32 {

namespace {

constexpr wchar_t kClassName[] = L"TFormMain";
constexpr int kClientWidth = 468;
constexpr int kClientHeight = 232;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
// The limits the window starts with, before it fixes its maximum at its own size.
constexpr SIZE kMinimumSize{100, 60};
constexpr SIZE kResourceMaximumSize{480, 276};

// "ＭＳ ゴシック", the Japanese face name of MS Gothic.
constexpr wchar_t kMsGothic[] = L"\xFF2D\xFF33 \x30B4\x30B7\x30C3\x30AF";

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kPushButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kCheckBox = kChild | WS_TABSTOP | BS_AUTOCHECKBOX;
// The check boxes lie in the group frame, at these coordinates of its corner.
constexpr int kGroupX = 8;
constexpr int kGroupY = 185;

struct ControlLayout {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    DWORD exStyle;
    int x, y, width, height;
    const wchar_t* hint;
};

// In the order that gives the Tab key its way: Browse, Execute, Exit, then the check boxes from
// left to right. The text box takes no Tab stop. The group frame comes last, below the check
// boxes it encloses, so that it never paints over them.
constexpr ControlLayout kControls[] = {
    {IDC_LABEL1, L"STATIC", L"Filename", kChild | SS_LEFT, 0, 160, 8, 48, 12, nullptr},
    {IDC_LABEL2, L"STATIC", L"Report", kChild | SS_CENTER | SS_NOTIFY, 0, 392, 193, 70, 14,
     L"Open/Close report form"},
    {IDC_BUTTON_BROWSE, L"BUTTON", L"Browse", kPushButton, 0, 392, 90, 70, 25,
     L"File name is selected in bulk"},
    {IDC_BUTTON_EXECUTE, L"BUTTON", L"Execute", kPushButton, 0, 392, 121, 70, 25,
     L"Conversion is execute"},
    {IDC_BUTTON_EXIT, L"BUTTON", L"Exit", kPushButton, 0, 392, 152, 70, 25, L"Terminate"},
    {IDC_MEMO1, L"EDIT", L"",
     kChild | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL |
         ES_WANTRETURN | ES_NOHIDESEL,
     WS_EX_CLIENTEDGE, 8, 24, 369, 150, L"Please input the converted file name"},
    {IDC_CHECKBOX_INDEX, L"BUTTON", L"Index", kCheckBox, 0, kGroupX + 12, kGroupY + 16, 60, 17,
     L"Output the index item"},
    {IDC_CHECKBOX_RCR, L"BUTTON", L"RCR", kCheckBox, 0, kGroupX + 70, kGroupY + 16, 55, 17,
     L"Output the RCR item"},
    {IDC_CHECKBOX_DATETIME, L"BUTTON", L"Date+Time", kCheckBox, 0, kGroupX + 125, kGroupY + 16, 83,
     17, L"Date and time to item \"TIME\""},
    {IDC_CHECKBOX_VALID, L"BUTTON", L"VALID", kCheckBox, 0, kGroupX + 210, kGroupY + 16, 68, 17,
     L"Output the VALID item"},
    {IDC_CHECKBOX_SNEW, L"BUTTON", L"S/N,E/W", kCheckBox, 0, kGroupX + 280, kGroupY + 16, 85, 17,
     L"S/N, E/W to separating item"},
    {IDC_GROUPBOX_CSV, L"BUTTON", L" Output option ", kChild | BS_GROUPBOX, 0, kGroupX, kGroupY,
     369, 40, nullptr},
};

// Every dropped file list is released, whatever happens while it is read.
class DropHandle {
public:
    explicit DropHandle(HDROP drop) noexcept : drop_(drop) {}
    ~DropHandle() { DragFinish(drop_); }
    DropHandle(const DropHandle&) = delete;
    DropHandle& operator=(const DropHandle&) = delete;
    HDROP Get() const noexcept { return drop_; }

private:
    HDROP drop_;
};

// The hourglass while a batch runs: no message is handled until it ends.
class WaitCursor {
public:
    WaitCursor() noexcept : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

HWND Control(HWND window, int id) {
    return GetDlgItem(window, id);
}

bool IsChecked(HWND window, int id) {
    return SendMessageW(Control(window, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::string ListText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

} // namespace

TFormMain::TFormMain(HINSTANCE instance, HICON icon, const std::vector<std::string>& parameters,
                     CodePage codePage)
    : codePage_(std::move(codePage)) {
    RegisterWindowClass(instance, kClassName, icon);
    const SIZE outer = OuterSize(kClientWidth, kClientHeight, kStyle, 0);
    Create(instance, kClassName, L"", kStyle, 0, outer.cx, outer.cy);
    CreateControls(instance);
    FormCreate(parameters);
}

TFormMain::~TFormMain() = default;

void TFormMain::CreateControls(HINSTANCE instance) {
    LOGFONTW logFont{};
    logFont.lfHeight = -12;
    logFont.lfCharSet = SHIFTJIS_CHARSET;
    lstrcpynW(logFont.lfFaceName, kMsGothic, LF_FACESIZE);
    font_ = UniqueFont(CreateFontIndirectW(&logFont));

    tooltip_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, Handle(), nullptr, instance, nullptr);

    for (const ControlLayout& layout : kControls) {
        const HWND control = CreateWindowExW(
            layout.exStyle, layout.className, layout.text, layout.style, layout.x, layout.y,
            layout.width, layout.height, Handle(),
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), instance, nullptr);
        if (!control) throw std::runtime_error("Cannot create the main window's controls");
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
        if (layout.hint) AddHint(control, layout.hint);
    }
    memo_ = Control(Handle(), IDC_MEMO1);
    // Lists of thousands of names must neither be cut nor refused.
    SendMessageW(memo_, EM_SETLIMITTEXT, 0, 0);
    for (int id : {IDC_CHECKBOX_INDEX, IDC_CHECKBOX_DATETIME, IDC_CHECKBOX_SNEW})
        SendMessageW(Control(Handle(), id), BM_SETCHECK, BST_CHECKED, 0);
}

void TFormMain::AddHint(HWND control, const wchar_t* text) {
    if (!tooltip_) return;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void TFormMain::FormCreate(const std::vector<std::string>& parameters) {
    SetText(Handle(), MainCaption(VersionText(ExecutableFileVersionMs())));
    const Rect outer = WindowRect(Handle());
    maxSize_ = SIZE{outer.Width(), outer.Height()};
    DragAcceptFiles(Handle(), TRUE);
    SetFileList(FileListFromParameters(parameters));
}

void TFormMain::Show(int showCommand) {
    const Rect outer = WindowRect(Handle());
    const Point position = CentredOver(MonitorWorkArea(Handle()), outer.Width(), outer.Height());
    SetWindowPos(Handle(), nullptr, position.x, position.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(Handle(), showCommand);
    UpdateWindow(Handle());
}

bool TFormMain::TranslateDialogMessage(MSG& message) {
    if (message.hwnd != Handle() && !IsChild(Handle(), message.hwnd)) return false;
    // The text box does not keep the Tab key: it moves on to the next control.
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && message.hwnd == memo_ &&
        GetKeyState(VK_CONTROL) >= 0) {
        const bool backwards = GetKeyState(VK_SHIFT) < 0;
        SetFocus(GetNextDlgTabItem(Handle(), memo_, backwards ? TRUE : FALSE));
        return true;
    }
    return IsDialogMessageW(Handle(), &message) != FALSE;
}

void TFormMain::SetFileList(const std::vector<std::string>& lines) {
    SetText(memo_, ListText(lines));
}

void TFormMain::AddToFileList(const std::string& line) {
    const std::wstring text = Widen(line + "\r\n");
    const auto end = static_cast<WPARAM>(GetWindowTextLengthW(memo_));
    SendMessageW(memo_, EM_SETSEL, end, static_cast<LPARAM>(end));
    SendMessageW(memo_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

TCsvOptions TFormMain::ReadOptions() const {
    TCsvOptions options;
    options.Index = IsChecked(Handle(), IDC_CHECKBOX_INDEX);
    options.RCR = IsChecked(Handle(), IDC_CHECKBOX_RCR);
    options.DateTime = IsChecked(Handle(), IDC_CHECKBOX_DATETIME);
    options.VALID = IsChecked(Handle(), IDC_CHECKBOX_VALID);
    options.SNEW = IsChecked(Handle(), IDC_CHECKBOX_SNEW);
    return options;
}

void TFormMain::ButtonExecuteClick() {
    if (!report_) return;
    WaitCursor wait;
    const TFormReport::Batch reportBatch(*report_);
    MemoFileList list(memo_);
    RunBatch(
        list, *report_, [this] { return ReadOptions(); },
        [this](const std::string& name, const TCsvOptions& options) {
            return ConvertLogFile(name, options, *report_, codePage_);
        });
}

void TFormMain::ButtonBrowseClick() {
    OpenDialog dialog(Handle());
    const std::optional<OpenDialogChoice> choice = dialog.Show(filterIndex_, dialogFolder_);
    if (!choice) return;
    filterIndex_ = choice->FilterIndex;
    dialogFolder_ = choice->Folder;
    SetFileList(choice->Paths);
}

void TFormMain::ButtonExitClick() {
    SendMessageW(Handle(), WM_CLOSE, 0, 0);
}

void TFormMain::Label2Click() {
    if (report_) report_->Toggle();
}

void TFormMain::WMDropFiles(HDROP drop) {
    const DropHandle handle(drop);
    const UINT count = DragQueryFileW(handle.Get(), 0xFFFFFFFF, nullptr, 0);
    if (count == 0) return;
    SetFileList({});
    // Line by line: when a dropped settings file cannot be used, the files before it stay.
    for (UINT i = 0; i < count; ++i) {
        // Sized for each name: a fixed buffer would cut a name longer than MAX_PATH short.
        const UINT length = DragQueryFileW(handle.Get(), i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        path.resize(DragQueryFileW(handle.Get(), i, path.data(), length + 1));
        const std::string name = Narrow(path);
        if (IsIniFileName(name)) {
            iniFileName_ = WritableIniFile(iniLocation_, name);
            LoadSettingsFromIniFile();
        } else {
            AddToFileList(name);
        }
    }
}

void TFormMain::FormActivate() {
    if (activated_) return;
    // Set first: a failing location is not tried again at a later activation.
    activated_ = true;
    iniFileName_ = LocateIniFile(iniLocation_);
    LoadSettingsFromIniFile();
}

void TFormMain::LoadSettingsFromIniFile() {
    ProfileSettingsStore store(iniFileName_);
    const Rect outer = WindowRect(Handle());
    LoadContext context;
    context.ExecutableFolder = ExtractFilePath(ExecutablePath(), PathStyle::Windows);
    context.MainWindowSize = WindowSize{outer.Width(), outer.Height()};
    context.UserDefaultLocale = GetUserDefaultLCID();
    context.WorkAreaNow = MonitorWorkArea(Handle());
    context.WorkAreaAt = [this](Point topLeft) {
        MoveTo(topLeft);
        return MonitorWorkArea(Handle());
    };
    if (const auto settings = LoadSettings(store, CurrentSettings(), context))
        ApplySettings(*settings);
}

void TFormMain::FormCloseQuery() {
    if (iniFileName_.empty()) return;
    ProfileSettingsStore store(iniFileName_);
    SaveSettings(store, CurrentSettings());
}

WindowSettings TFormMain::CurrentSettings() const {
    const Rect outer = WindowRect(Handle());
    return WindowSettings{dialogFolder_, Point{outer.left, outer.top}, loadedFont_, ReadOptions()};
}

void TFormMain::ApplySettings(const WindowSettings& settings) {
    dialogFolder_ = settings.DialogFolder;
    MoveTo(settings.MainPosition);
    loadedFont_ = settings.Font;
    const HDC surface = GetDC(Handle());
    const int pixelsPerInch = GetDeviceCaps(surface, LOGPIXELSX);
    ReleaseDC(Handle(), surface);
    LOGFONTW logFont{};
    // A size in points, as high in pixels as it is on this screen.
    logFont.lfHeight =
        -MulDiv(ScreenFontSize(settings.Font.Size, pixelsPerInch), pixelsPerInch, 72);
    logFont.lfCharSet = settings.Font.Charset;
    lstrcpynW(logFont.lfFaceName, Widen(settings.Font.Name).c_str(), LF_FACESIZE);
    SetAllFonts(CreateFontIndirectW(&logFont));
    if (report_) report_->SetFont(CreateFontIndirectW(&logFont));
    SetOptions(settings.Options);
}

void TFormMain::MoveTo(Point topLeft) {
    SetWindowPos(Handle(), nullptr, topLeft.x, topLeft.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFormMain::SetAllFonts(HFONT font) {
    font_ = UniqueFont(font);
    for (const ControlLayout& layout : kControls)
        SendMessageW(Control(Handle(), layout.id), WM_SETFONT, reinterpret_cast<WPARAM>(font),
                     TRUE);
}

void TFormMain::SetOptions(const TCsvOptions& options) {
    const auto check = [this](int id, bool on) {
        SendMessageW(Control(Handle(), id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    };
    check(IDC_CHECKBOX_INDEX, options.Index);
    check(IDC_CHECKBOX_RCR, options.RCR);
    check(IDC_CHECKBOX_DATETIME, options.DateTime);
    check(IDC_CHECKBOX_VALID, options.VALID);
    check(IDC_CHECKBOX_SNEW, options.SNEW);
}

void TFormMain::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return; // also STN_CLICKED, which has the same value
    switch (id) {
    case IDC_BUTTON_BROWSE:
        ButtonBrowseClick();
        break;
    case IDC_BUTTON_EXECUTE:
        ButtonExecuteClick();
        break;
    case IDC_BUTTON_EXIT:
        ButtonExitClick();
        break;
    case IDC_LABEL2:
        Label2Click();
        break;
    default:
        break;
    }
}

LRESULT TFormMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_DROPFILES:
        WMDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        const SIZE maximum = maxSize_.cx > 0 ? maxSize_ : kResourceMaximumSize;
        info->ptMinTrackSize = POINT{kMinimumSize.cx, kMinimumSize.cy};
        info->ptMaxTrackSize = POINT{maximum.cx, maximum.cy};
        info->ptMaxSize = POINT{maximum.cx, maximum.cy};
        return 0;
    }
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == Control(Handle(), IDC_LABEL2)) {
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        }
        return Default(message, wParam, lParam);
    case WM_CTLCOLORSTATIC:
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) FormActivate();
        return Default(message, wParam, lParam);
    case WM_QUERYENDSESSION:
        FormCloseQuery();
        return TRUE;
    case WM_CLOSE:
        FormCloseQuery();
        DestroyWindow(Handle());
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return Default(message, wParam, lParam);
    }
}

} // namespace nordavel::win32
