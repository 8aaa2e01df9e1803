#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "batch/FileList.h"
#include "conversion/CsvOptions.h"
#include "platform/CodePage.h"
#include "ui/Win32Util.h"
#include "ui/Window.h"

namespace nordavel::win32 {

class TFormReport;

// FormMain: the file list, the five options, Browse / Execute / Exit and the "Report" label.
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
    void SetFileList(const std::vector<std::string>& lines);

    HINSTANCE instance_;
    CodePage codePage_;
    TFormReport* report_ = nullptr;
    HWND memo_ = nullptr;
    HWND tooltip_ = nullptr;
    UniqueFont font_;
    SIZE maxSize_{};
    // OpenDialog1: the filter entry in use and the folder it starts in.
    DWORD filterIndex_ = 1;
    std::wstring dialogFolder_;
};

// The FileList over the main window's text box: read once, written back once, since rewriting
// a long text line by line would take the edit control quadratic time.
class MemoFileList final : public FileList {
public:
    explicit MemoFileList(HWND memo);
    ~MemoFileList() override;
    MemoFileList(const MemoFileList&) = delete;
    MemoFileList& operator=(const MemoFileList&) = delete;

    std::size_t Count() const override { return lines_.size(); }
    std::string Line(std::size_t index) const override { return lines_.at(index); }
    void SetLine(std::size_t index, std::string_view text) override;

private:
    HWND memo_;
    std::vector<std::string> lines_;
    bool endsWithLineEnd_ = false;
    bool changed_ = false;
};

} // namespace nordavel::win32
