#include "platform/Console.h"

#include <string>
#include <windows.h>

#include "platform/CodePage.h"
#include "platform/win32/WideText.h"

namespace nordavel {

namespace {

// A console gets UTF-16, so every name shows as it is; a pipe or file gets the console's output
// code page and CR LF line ends, as other console programs write them.
void Write(DWORD which, std::string_view utf8) {
    const HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || utf8.empty()) return;
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = win32::Widen(utf8);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    const UINT consoleCodePage = GetConsoleOutputCP();
    const auto codePage =
        CodePage::FromName(std::to_string(consoleCodePage != 0 ? consoleCodePage : GetACP()));
    std::string withCrLf;
    for (char c : utf8) {
        if (c == '\n') withCrLf += '\r';
        withCrLf += c;
    }
    std::string bytes;
    if (codePage) {
        TextEncoder(*codePage).Append(withCrLf, bytes);
    } else {
        bytes = std::move(withCrLf);
    }
    DWORD written = 0;
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

} // namespace

void WriteStdout(std::string_view utf8) {
    Write(STD_OUTPUT_HANDLE, utf8);
}
void WriteStderr(std::string_view utf8) {
    Write(STD_ERROR_HANDLE, utf8);
}

} // namespace nordavel
