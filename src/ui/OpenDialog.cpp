#include "ui/OpenDialog.h"

#include <cderr.h>
#include <commdlg.h>

#include "base/TextUtil.h"
#include "desktop/Placement.h"
#include "desktop/SettingsValues.h"
#include "platform/win32/WideText.h"
#include "ui/ErrorBox.h"
#include "ui/Win32Util.h"

namespace nordavel::win32 {

namespace {

// The OpenDialog object, kept on the dialog window while its procedure is replaced.
constexpr wchar_t kOpenDialogProperty[] = L"Nordavel.OpenDialog";
// The selection of one Browse may fill this many characters; a larger one fails, and unlike a
// cancel the user is told why nothing was chosen.
constexpr DWORD kSelectionCharacters = 65519;
constexpr char kTooManySelected[] = "Too many files were selected. Please select fewer at a time.";

// One name is the full path; several are the folder followed by the names in it.
std::vector<std::string> SelectedPaths(const std::wstring& selection) {
    std::vector<std::string> paths;
    const wchar_t* item = selection.c_str();
    const std::wstring first = item;
    item += first.size() + 1;
    if (*item == L'\0') {
        paths.push_back(Narrow(first));
    } else {
        const std::wstring folder =
            (!first.empty() && first.back() == L'\\') ? first : first + L'\\';
        for (; *item != L'\0'; item += wcslen(item) + 1)
            paths.push_back(Narrow(folder + item));
    }
    return paths;
}

} // namespace

OpenDialog::ReplacedProcedure::ReplacedProcedure(HWND dialog, OpenDialog& owner) noexcept
    : dialog_(dialog) {
    SetPropW(dialog_, kOpenDialogProperty, &owner);
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(dialog_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure)));
}

OpenDialog::ReplacedProcedure::~ReplacedProcedure() {
    SetWindowLongPtrW(dialog_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    RemovePropW(dialog_, kOpenDialogProperty);
}

std::optional<OpenDialogChoice> OpenDialog::Show(DWORD filterIndex, const std::string& folder) {
    std::wstring selection(kSelectionCharacters + 1, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_;
    dialog.lpstrFilter = L"KML file\0*.kml\0All file\0*.*\0";
    dialog.nFilterIndex = filterIndex;
    dialog.lpstrFile = selection.data();
    dialog.nMaxFile = static_cast<DWORD>(selection.size());
    const std::wstring initialFolder = Widen(folder);
    dialog.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
    dialog.Flags =
        OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_ENABLEHOOK;
    dialog.lpfnHook = &OpenDialog::Hook;
    dialog.lCustData = reinterpret_cast<LPARAM>(this);
    const BOOL chosen = GetOpenFileNameW(&dialog);
    const DWORD failure = chosen ? 0 : CommDlgExtendedError();
    replaced_.reset(); // in case the dialog ended without its close event
    if (failure == FNERR_BUFFERTOOSMALL) ShowErrorBox(owner_, kTooManySelected);
    if (!chosen) return std::nullopt;
    OpenDialogChoice choice;
    choice.paths = SelectedPaths(selection);
    choice.filterIndex = dialog.nFilterIndex;
    // Next time the dialog starts in the first file's folder.
    choice.folder =
        WithoutTrailingBackslash(ExtractFilePath(choice.paths.front(), PathStyle::Windows));
    return choice;
}

UINT_PTR CALLBACK OpenDialog::Hook(HWND hookDialog, UINT message, WPARAM, LPARAM lParam) noexcept {
    try {
        if (message == WM_INITDIALOG) {
            const auto* dialog = reinterpret_cast<const OPENFILENAMEW*>(lParam);
            SetWindowLongPtrW(hookDialog, DWLP_USER, dialog->lCustData);
            return 0;
        }
        auto* self = reinterpret_cast<OpenDialog*>(GetWindowLongPtrW(hookDialog, DWLP_USER));
        if (!self) return 0;
        if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == CDN_INITDONE)
            self->Shown(hookDialog);
        else if (message == WM_DESTROY)
            self->replaced_.reset();
    } catch (...) {
        ShowCurrentException(ErrorBoxOwner());
    }
    return 0;
}

void OpenDialog::Shown(HWND hookDialog) {
    // An Explorer-style dialog: the hook's window lies inside the dialog window.
    const HWND dialog = GetParent(hookDialog);
    centredMovesLeft_ = 3;
    replaced_.emplace(dialog, *this);
    // Where the dialog would put itself is the first position that is redirected.
    SetWindowPos(dialog, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK OpenDialog::Procedure(HWND dialog, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept {
    auto* self = static_cast<OpenDialog*>(GetPropW(dialog, kOpenDialogProperty));
    if (!self || !self->replaced_ || self->replaced_->Dialog() != dialog ||
        !self->replaced_->Previous())
        return DefWindowProcW(dialog, message, wParam, lParam);
    const WNDPROC previous = self->replaced_->Previous();
    try {
        return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        ShowCurrentException(ErrorBoxOwner());
        return CallWindowProcW(previous, dialog, message, wParam, lParam);
    }
}

LRESULT OpenDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND dialog = replaced_->Dialog();
    // Once the user takes the dialog to move or size it, it goes where the user puts it, also
    // when opening it took fewer than three position changes.
    if (message == WM_ENTERSIZEMOVE) centredMovesLeft_ = 0;
    if (message == WM_WINDOWPOSCHANGING && centredMovesLeft_ != 0) {
        auto* position = reinterpret_cast<WINDOWPOS*>(lParam);
        position->flags &= ~static_cast<UINT>(SWP_NOMOVE);
        --centredMovesLeft_;
        // The dialog's size as it is now, not the new one the change may bring.
        const Point where =
            DialogPosition(WindowRect(owner_), WindowRect(dialog), MonitorWorkArea(owner_));
        position->x = where.x;
        position->y = where.y;
    }
    return CallWindowProcW(replaced_->Previous(), dialog, message, wParam, lParam);
}

} // namespace nordavel::win32
