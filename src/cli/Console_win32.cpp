#include "cli/Console.h"

#include <string>
#include <windows.h>

#include "platform/CodePage.h"
#include "platform/IoError.h"
#include "platform/win32/WideText.h"

namespace nordavel {

namespace {

// A console gets UTF-16, so every name shows as it is; a pipe or file gets the console's output
// code page and CR LF line ends, as other console programs write them. False when the text could
// not be written whole. A program started without a standard handle writes nowhere, and that
// is no failure.
bool Write(DWORD which, std::string_view utf8) {
    const HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE || utf8.empty()) return true;
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = win32::Widen(utf8);
        DWORD written = 0;
        return WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written,
                             nullptr) != 0;
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
    for (std::size_t done = 0; done < bytes.size();) {
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                       &written, nullptr) ||
            written == 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace

void WriteStdout(std::string_view utf8) {
    if (!Write(STD_OUTPUT_HANDLE, utf8)) {
        const DWORD error = GetLastError();
        throw IoError(error != 0 ? static_cast<int>(error) : ERROR_WRITE_FAULT, "Cannot write",
                      "standard output");
    }
}
void WriteStderr(std::string_view utf8) {
    Write(STD_ERROR_HANDLE, utf8);
}

} // namespace nordavel
