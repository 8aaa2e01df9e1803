#include "ui/MainControls.h"

#include <commctrl.h>

#include <stdexcept>
#include <utility>

#include "platform/win32/WideText.h"
#include "ui/resource.h"

namespace nordavel::win32 {

struct ControlLayout {
    int id;
    const wchar_t* className;
    std::string_view text;
    DWORD style;
    DWORD exStyle;
    int x, y, width, height;
    std::string_view hint;
};

namespace {

// "ＭＳ ゴシック", the Japanese face name of MS Gothic.
constexpr wchar_t kMsGothic[] = L"\xFF2D\xFF33 \x30B4\x30B7\x30C3\x30AF";

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kPushButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kCheckBox = kChild | WS_TABSTOP | BS_AUTOCHECKBOX;
// The check boxes lie in the group frame, at these coordinates of its corner.
constexpr int kGroupX = 8;
constexpr int kGroupY = 185;

// In the order that gives the Tab key its way: Browse, Execute, Exit, then the option boxes from
// left to right. The text box takes no Tab stop.
constexpr ControlLayout kControls[] = {
    {IDC_FILE_LIST_LABEL, L"STATIC", "Filename", kChild | SS_LEFT, 0, 160, 8, 48, 12, {}},
    {IDC_REPORT_LABEL, L"STATIC", "Report", kChild | SS_CENTER | SS_NOTIFY, 0, 392, 193, 70, 14,
     "Open/Close report form"},
    {IDC_BUTTON_BROWSE, L"BUTTON", "Browse", kPushButton, 0, 392, 90, 70, 25,
     "File name is selected in bulk"},
    {IDC_BUTTON_EXECUTE, L"BUTTON", "Execute", kPushButton, 0, 392, 121, 70, 25,
     "Conversion is execute"},
    {IDC_BUTTON_EXIT, L"BUTTON", "Exit", kPushButton, 0, 392, 152, 70, 25, "Terminate"},
    {IDC_FILE_LIST, L"EDIT", "",
     kChild | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL |
         ES_WANTRETURN | ES_NOHIDESEL,
     WS_EX_CLIENTEDGE, 8, 24, 369, 150, "Please input the converted file name"},
};

// Each option's box, in the order of the option rows: where it lies in the group frame.
struct OptionBox {
    int id;
    int x;
    int width;
};
constexpr OptionBox kOptionBoxes[] = {
    {IDC_CHECKBOX_INDEX, 12, 60},  {IDC_CHECKBOX_RCR, 70, 55},   {IDC_CHECKBOX_DATETIME, 125, 83},
    {IDC_CHECKBOX_VALID, 210, 68}, {IDC_CHECKBOX_SNEW, 280, 85},
};
static_assert(std::size(kOptionBoxes) == std::size(kCsvOptionRows));

// The row below the frame, after everything else in the Tab key's order: CSV or GPX, and for GPX
// the camera's time zone.
constexpr int kOutputY = 234;
constexpr ControlLayout kOutputRow[] = {
    {IDC_RADIO_CSV, L"BUTTON", "CSV", kChild | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 0, 20,
     kOutputY + 3, 48, 17, "Write X.csv beside each log, with the options above"},
    {IDC_RADIO_GPX, L"BUTTON", "GPX", kChild | BS_AUTORADIOBUTTON, 0, 78, kOutputY + 3, 48, 17,
     "Write X.gpx beside each log: a track in UTC, for geotagging"},
    {IDC_ZONE_LABEL,
     L"STATIC",
     "Time zone",
     kChild | WS_GROUP | SS_RIGHT,
     0,
     128,
     kOutputY + 6,
     64,
     12,
     {}},
    {IDC_ZONE_BOX, L"COMBOBOX", "",
     kChild | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0, 198, kOutputY + 2, 264,
     220, "The zone of the camera's clock: type part of its name"},
};

// Created last, below the boxes it encloses, so that it never paints over them.
constexpr ControlLayout kGroupFrame{IDC_GROUPBOX_CSV,
                                    L"BUTTON",
                                    " Output option ",
                                    kChild | BS_GROUPBOX,
                                    0,
                                    kGroupX,
                                    kGroupY,
                                    369,
                                    40,
                                    {}};

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

    for (const ControlLayout& layout : kControls)
        CreateControl(layout, instance);
    for (std::size_t i = 0; i < std::size(kOptionBoxes); ++i) {
        const OptionBox& box = kOptionBoxes[i];
        const CsvOptionRow& row = kCsvOptionRows[i];
        CreateControl({box.id, L"BUTTON", row.caption, kCheckBox, 0, kGroupX + box.x, kGroupY + 16,
                       box.width, 17, row.hint},
                      instance);
    }
    CreateControl(kGroupFrame, instance);
    for (const ControlLayout& layout : kOutputRow)
        CreateControl(layout, instance);
    fileList_ = GetDlgItem(window, IDC_FILE_LIST);
    zoneBox_ = GetDlgItem(window, IDC_ZONE_BOX);
    reportLabel_ = GetDlgItem(window, IDC_REPORT_LABEL);
    // Lists of thousands of names must neither be cut nor refused.
    SendMessageW(fileList_, EM_SETLIMITTEXT, 0, 0);
    SetOptions(CsvOptions{});
    SetFormat(OutputFormat::Csv);
}

void MainControls::CreateControl(const ControlLayout& layout, HINSTANCE instance) {
    const HWND control = CreateWindowExW(
        layout.exStyle, layout.className, Widen(layout.text).c_str(), layout.style, layout.x,
        layout.y, layout.width, layout.height, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), instance, nullptr);
    if (!control) throw std::runtime_error("Cannot create the main window's controls");
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    if (!layout.hint.empty()) AddHint(control, layout.hint);
}

void MainControls::AddHint(HWND control, std::string_view hint) {
    if (!tooltip_) return;
    std::wstring text = Widen(hint);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = text.data(); // the tooltip keeps a copy
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

CsvOptions MainControls::Options() const {
    CsvOptions options;
    for (std::size_t i = 0; i < std::size(kOptionBoxes); ++i)
        options.*kCsvOptionRows[i].field =
            SendMessageW(GetDlgItem(window_, kOptionBoxes[i].id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    return options;
}

void MainControls::SetOptions(const CsvOptions& options) {
    for (std::size_t i = 0; i < std::size(kOptionBoxes); ++i)
        SendMessageW(GetDlgItem(window_, kOptionBoxes[i].id), BM_SETCHECK,
                     options.*kCsvOptionRows[i].field ? BST_CHECKED : BST_UNCHECKED, 0);
}

OutputFormat MainControls::Format() const {
    return IsDlgButtonChecked(window_, IDC_RADIO_GPX) == BST_CHECKED ? OutputFormat::Gpx
                                                                     : OutputFormat::Csv;
}

void MainControls::SetFormat(OutputFormat format) {
    const bool gpx = format == OutputFormat::Gpx;
    CheckRadioButton(window_, IDC_RADIO_CSV, IDC_RADIO_GPX, gpx ? IDC_RADIO_GPX : IDC_RADIO_CSV);
    // The boxes keep their ticks for the next CSV run.
    for (const OptionBox& box : kOptionBoxes)
        EnableWindow(GetDlgItem(window_, box.id), gpx ? FALSE : TRUE);
    EnableWindow(GetDlgItem(window_, IDC_ZONE_LABEL), gpx ? TRUE : FALSE);
    EnableWindow(zoneBox_, gpx ? TRUE : FALSE);
}

void MainControls::SetFont(HFONT font) {
    font_ = UniqueFont(font);
    const auto set = [&](int id) {
        SendMessageW(GetDlgItem(window_, id), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    };
    for (const ControlLayout& layout : kControls)
        set(layout.id);
    for (const OptionBox& box : kOptionBoxes)
        set(box.id);
    set(kGroupFrame.id);
    for (const ControlLayout& layout : kOutputRow)
        set(layout.id);
}

} // namespace nordavel::win32
