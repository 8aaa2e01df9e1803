#include <windows.h>

#include "platform/IoError.h"
#include "platform/win32/WideText.h"

namespace nordavel {

std::string SystemErrorText(int osCode) {
    // System messages are a line or two, well within the buffer.
    wchar_t buffer[1024];
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(osCode), 0, buffer, 1024, nullptr);
    std::wstring text(buffer, length);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L'.' ||
                             text.back() == L' '))
        text.pop_back();
    if (text.empty()) return "system error";
    return win32::Narrow(text);
}

int OutOfMemoryError() noexcept {
    return ERROR_NOT_ENOUGH_MEMORY;
}

} // namespace nordavel
