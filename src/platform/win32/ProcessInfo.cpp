#include "platform/win32/ProcessInfo.h"

#include <windows.h>

#include <shellapi.h>

#include "platform/win32/UniqueHandle.h"
#include "platform/win32/WideText.h"

namespace nordavel::win32 {

std::string ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return Narrow(path);
        }
        path.resize(path.size() * 2);
    }
}

std::optional<std::wstring> FullPathName(const std::wstring& path) {
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (size == 0 || length == 0 || length >= size) return std::nullopt;
    full.resize(length);
    return full;
}

std::vector<std::string> CommandLineParameters() {
    int count = 0;
    const UniqueLocal<LPWSTR> arguments(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::string> parameters;
    if (!arguments) return parameters;
    for (int i = 1; i < count; ++i)
        parameters.push_back(Narrow(arguments.get()[i]));
    return parameters;
}

} // namespace nordavel::win32
