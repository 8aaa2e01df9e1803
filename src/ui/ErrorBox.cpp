#include "ui/ErrorBox.h"

#include "desktop/AppText.h"
#include "platform/win32/WideText.h"
#include "ui/Win32Util.h"

namespace nordavel::win32 {

namespace {
HWND errorBoxOwner = nullptr;
}

void SetErrorBoxOwner(HWND owner) noexcept {
    errorBoxOwner = owner;
}

HWND ErrorBoxOwner() noexcept {
    return errorBoxOwner;
}

void ShowErrorBox(HWND owner, std::string_view message) noexcept {
    try {
        const std::wstring text = Widen(ErrorBoxText(message));
        const std::wstring title = Widen(ApplicationTitle(ExecutablePath()));
        MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | MB_ICONSTOP);
    } catch (...) {
        // Nothing is left to tell the user with; the program goes on.
        MessageBoxW(owner, L"Out of memory.", L"Nordavel", MB_OK | MB_ICONSTOP);
    }
}

void ShowCurrentException(HWND owner) noexcept {
    try {
        throw;
    } catch (const std::exception& error) {
        ShowErrorBox(owner, error.what());
    } catch (...) {
        ShowErrorBox(owner, "Unknown error");
    }
}

} // namespace nordavel::win32
