#include "ui/MainControls.h"

#include <commctrl.h>

#include <stdexcept>
#include <utility>

#include "ui/resource.h"

namespace nordavel::win32 {

namespace {

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
    {IDC_FILE_LIST_LABEL, L"STATIC", L"Filename", kChild | SS_LEFT, 0, 160, 8, 48, 12, nullptr},
    {IDC_REPORT_LABEL, L"STATIC", L"Report", kChild | SS_CENTER | SS_NOTIFY, 0, 392, 193, 70, 14,
     L"Open/Close report form"},
    {IDC_BUTTON_BROWSE, L"BUTTON", L"Browse", kPushButton, 0, 392, 90, 70, 25,
     L"File name is selected in bulk"},
    {IDC_BUTTON_EXECUTE, L"BUTTON", L"Execute", kPushButton, 0, 392, 121, 70, 25,
     L"Conversion is execute"},
    {IDC_BUTTON_EXIT, L"BUTTON", L"Exit", kPushButton, 0, 392, 152, 70, 25, L"Terminate"},
    {IDC_FILE_LIST, L"EDIT", L"",
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

constexpr std::pair<int, bool TCsvOptions::*> kOptionBoxes[] = {
    {IDC_CHECKBOX_INDEX, &TCsvOptions::Index},       {IDC_CHECKBOX_RCR, &TCsvOptions::RCR},
    {IDC_CHECKBOX_DATETIME, &TCsvOptions::DateTime}, {IDC_CHECKBOX_VALID, &TCsvOptions::VALID},
    {IDC_CHECKBOX_SNEW, &TCsvOptions::SNEW},
};

} // namespace

void MainControls::Create(HWND window, HINSTANCE instance) {
    window_ = window;
    LOGFONTW logFont{};
    logFont.lfHeight = -12;
    logFont.lfCharSet = SHIFTJIS_CHARSET;
    lstrcpynW(logFont.lfFaceName, kMsGothic, LF_FACESIZE);
    font_ = UniqueFont(CreateFontIndirectW(&logFont));

    tooltip_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr, instance, nullptr);

    for (const ControlLayout& layout : kControls) {
        const HWND control = CreateWindowExW(
            layout.exStyle, layout.className, layout.text, layout.style, layout.x, layout.y,
            layout.width, layout.height, window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), instance, nullptr);
        if (!control) throw std::runtime_error("Cannot create the main window's controls");
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        if (layout.hint) AddHint(control, layout.hint);
    }
    fileList_ = GetDlgItem(window, IDC_FILE_LIST);
    reportLabel_ = GetDlgItem(window, IDC_REPORT_LABEL);
    // Lists of thousands of names must neither be cut nor refused.
    SendMessageW(fileList_, EM_SETLIMITTEXT, 0, 0);
    SetOptions(TCsvOptions{});
}

void MainControls::AddHint(HWND control, const wchar_t* text) {
    if (!tooltip_) return;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(text);
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

TCsvOptions MainControls::Options() const {
    TCsvOptions options;
    for (const auto& [id, member] : kOptionBoxes)
        options.*member = SendMessageW(GetDlgItem(window_, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    return options;
}

void MainControls::SetOptions(const TCsvOptions& options) {
    for (const auto& [id, member] : kOptionBoxes)
        SendMessageW(GetDlgItem(window_, id), BM_SETCHECK,
                     options.*member ? BST_CHECKED : BST_UNCHECKED, 0);
}

void MainControls::SetFont(HFONT font) {
    font_ = UniqueFont(font);
    for (const ControlLayout& layout : kControls)
        SendMessageW(GetDlgItem(window_, layout.id), WM_SETFONT, reinterpret_cast<WPARAM>(font),
                     TRUE);
}

} // namespace nordavel::win32
