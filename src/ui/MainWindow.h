#pragma once

#include <windows.h>

#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

#include "desktop/Settings.h"
#include "desktop/WindowsSettings.h"
#include "platform/CodePage.h"
#include "ui/MainControls.h"
#include "ui/Window.h"
#include "ui/ZoneBox.h"

namespace nordavel::win32 {

class ReportWindow;

// The main window: the file list, the five options, Browse / Execute / Exit and the "Report" label.
// The settings are loaded into it and saved from it.
class MainWindow final : public Window {
public:
    MainWindow(HINSTANCE instance, HICON icon, const std::vector<std::string>& parameters,
               CodePage codePage);

    // The report window is created after this one; it is known from then on.
    void SetReport(ReportWindow& report) noexcept { report_ = &report; }
    // Shows the window centred on its monitor's work area.
    void Show(int showCommand);
    // Keyboard navigation between the controls; true when the message was used.
    bool TranslateDialogMessage(MSG& message);

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT OnCommand(int id, int code);
    LRESULT OnDropFiles(HDROP drop);
    LRESULT OnGetMinMaxInfo(MINMAXINFO& info) const;
    LRESULT OnSetCursor(UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT OnCtlColorStatic(HDC context);
    LRESULT OnActivate(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryEndSession();
    LRESULT OnClose();
    static LRESULT OnDestroy();

    void ButtonBrowseClick();
    void ButtonExecuteClick();
    void ReportLabelClick();

    void LoadSettingsFromIniFile();
    void SaveSettingsToIniFile();
    WindowSettings CurrentSettings() const;
    void ApplySettings(const WindowSettings& settings);

    CodePage codePage_;
    ReportWindow* report_ = nullptr;
    MainControls controls_;
    std::optional<ZoneBox> zoneBox_;
    SIZE maxSize_{};
    // Browse: the filter entry in use and the folder the dialog starts in.
    DWORD filterIndex_ = 1;
    std::string dialogFolder_;

    // The settings: which file, the font of the last load (which the next one starts from),
    // and whether the first activation (which locates and loads them) has happened.
    WindowsIniLocation iniLocation_;
    std::string iniFileName_;
    FontSettings loadedFont_ = kStartFontSettings;
    bool activated_ = false;
};

} // namespace nordavel::win32
