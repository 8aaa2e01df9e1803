#include "ui/ZoneBox.h"

#include <utility>

#include "platform/win32/WideText.h"
#include "ui/Win32Util.h"

namespace nordavel::win32 {

ZoneBox::ZoneBox(HWND combo, ZoneChoice choice) : combo_(combo), choice_(std::move(choice)) {
    Fill("");
    SetKept("");
}

void ZoneBox::SetKept(const std::string& kept) {
    kept_ = kept;
    const bool filling = std::exchange(filling_, true);
    SetText(combo_, choice_.TextOf(kept_));
    filling_ = filling;
}

void ZoneBox::OnCommand(int code) {
    if (filling_) return;
    if (code == CBN_EDITCHANGE) Fill(Text(combo_));
    if (code == CBN_KILLFOCUS) Take();
    if (code == CBN_SELCHANGE) {
        const LRESULT item = SendMessageW(combo_, CB_GETCURSEL, 0, 0);
        const LRESULT length = SendMessageW(combo_, CB_GETLBTEXTLEN, static_cast<WPARAM>(item), 0);
        if (item == CB_ERR || length == CB_ERR) return;
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        SendMessageW(combo_, CB_GETLBTEXT, static_cast<WPARAM>(item),
                     reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length));
        if (const auto kept = choice_.KeptOf(Narrow(text))) kept_ = *kept;
    }
}

void ZoneBox::Take() {
    if (const auto kept = choice_.KeptOf(Text(combo_))) {
        SetKept(*kept);
    } else {
        MessageBeep(MB_ICONWARNING);
        SetKept(kept_);
    }
}

void ZoneBox::Fill(std::string_view typed) {
    filling_ = true;
    // Emptying the list empties the box's text too: it is put back with the caret where it was.
    const std::wstring text = Widen(typed);
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(combo_, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    SendMessageW(combo_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(combo_, CB_RESETCONTENT, 0, 0);
    for (const std::string& name : choice_.Suggestions(typed))
        SendMessageW(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(name).c_str()));
    SendMessageW(combo_, WM_SETREDRAW, TRUE, 0);
    if (!typed.empty() && GetFocus() == FindWindowExW(combo_, nullptr, L"Edit", nullptr)) {
        SendMessageW(combo_, CB_SHOWDROPDOWN, TRUE, 0);
        // Dropping the list down hides the mouse pointer until it moves.
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    }
    SetWindowTextW(combo_, text.c_str());
    SendMessageW(combo_, CB_SETEDITSEL, 0, MAKELPARAM(start, end));
    filling_ = false;
}

std::string ComputerZoneName() {
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    if (GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) return {};
    return Narrow(zone.TimeZoneKeyName);
}

} // namespace nordavel::win32
