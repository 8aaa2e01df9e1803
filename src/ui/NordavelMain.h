#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "conversion/CsvOptions.h"
#include "desktop/Settings.h"
#include "desktop/WindowsSettings.h"
#include "platform/CodePage.h"
#include "ui/Win32Util.h"
#include "ui/Window.h"

namespace nordavel::win32 {

class TFormReport;

// FormMain: the file list, the five options, Browse / Execute / Exit and the "Report" label.
// The settings are loaded into it and saved from it.
class TFormMain final : public Window {
public:
    TFormMain(HINSTANCE instance, HICON icon, const std::vector<std::string>& parameters,
              CodePage codePage);
    ~TFormMain() override;

    // The report window is created after this one; it is known from then on.
    void SetReport(TFormReport& report) noexcept { report_ = &report; }
    // Shows the window centred on its monitor's work area.
    void Show(int showCommand);
    // Keyboard navigation between the controls; true when the message was used.
    bool TranslateDialogMessage(MSG& message);

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void FormCreate(const std::vector<std::string>& parameters);
    void FormActivate();
    void LoadSettingsFromIniFile();
    WindowSettings CurrentSettings() const;
    void ApplySettings(const WindowSettings& settings);
    void MoveTo(Point topLeft);
    void CreateControls(HINSTANCE instance);
    void AddHint(HWND control, const wchar_t* text);
    void OnCommand(int id, int code);

    void ButtonBrowseClick();
    void ButtonExecuteClick();
    void ButtonExitClick();
    void Label2Click();
    void WMDropFiles(HDROP drop);
    void FormCloseQuery();

    TCsvOptions ReadOptions() const;
    void SetOptions(const TCsvOptions& options);
    void SetFileList(const std::vector<std::string>& lines);
    void AddToFileList(const std::string& line);
    void SetAllFonts(HFONT font);

    CodePage codePage_;
    TFormReport* report_ = nullptr;
    HWND memo_ = nullptr;
    HWND tooltip_ = nullptr;
    UniqueFont font_;
    SIZE maxSize_{};
    // Browse: the filter entry in use and the folder the dialog starts in.
    DWORD filterIndex_ = 1;
    std::string dialogFolder_;

    // The settings: which file, the font of the last load (which the next one starts from),
    // and whether the first activation (which locates and loads them) has happened.
    WindowsIniLocation iniLocation_;
    std::string iniFileName_;
    TFontSettings loadedFont_ = kStartFontSettings;
    bool activated_ = false;
};

} // namespace nordavel::win32
