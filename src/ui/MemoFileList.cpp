#include "ui/MemoFileList.h"

#include "platform/win32/WideText.h"
#include "ui/Win32Util.h"

namespace nordavel::win32 {

MemoFileList::MemoFileList(HWND memo) : memo_(memo) {
    const std::string text = Text(memo);
    lines_ = SplitListText(text);
    endsWithLineEnd_ = text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0;
}

MemoFileList::~MemoFileList() {
    if (!changed_) return;
    try {
        std::string text = JoinListText(lines_);
        if (endsWithLineEnd_) text += "\r\n";
        SetText(memo_, text);
    } catch (...) {
        // Out of memory while writing back: the box keeps the text it had.
    }
}

void MemoFileList::SetLine(std::size_t index, std::string_view text) {
    lines_.at(index) = std::string(text);
    changed_ = true;
}

void MemoFileList::ReplaceLine(std::size_t index, const std::vector<std::string>& lines) {
    ReplaceLineIn(lines_, index, lines);
    changed_ = true;
}

void SetListLines(HWND memo, const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    SetText(memo, text);
}

void AppendListLine(HWND memo, const std::string& line) {
    AppendText(memo, Widen(line + "\r\n"));
}

} // namespace nordavel::win32
