#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "batch/FileList.h"

namespace nordavel::win32 {

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
    void ReplaceLine(std::size_t index, const std::vector<std::string>& lines) override;

private:
    HWND memo_;
    std::vector<std::string> lines_;
    bool endsWithLineEnd_ = false;
    bool changed_ = false;
};

// The text box's whole text made of `lines`, each ending in CR LF.
void SetListLines(HWND memo, const std::vector<std::string>& lines);
// One line added at the end of the text box, without reading its text.
void AppendListLine(HWND memo, const std::string& line);

} // namespace nordavel::win32
