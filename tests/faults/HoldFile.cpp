// A second Windows process that holds a file open, for the fault tests under Wine.
// Usage: hold_file PATH rw|r MARKER SECONDS
//   opens PATH for reading and writing, sharing writing too (rw) or only reading (r), creates
//   MARKER once it holds the file, and keeps it SECONDS seconds (or until it is ended).
#include <cstdio>
#include <cstdlib>
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        std::fputs("usage: hold_file PATH rw|r MARKER SECONDS\n", stderr);
        return 2;
    }
    const DWORD sharing =
        wcscmp(argv[2], L"rw") == 0 ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    const HANDLE held = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, sharing, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "hold_file: cannot open (error %lu)\n", GetLastError());
        return 1;
    }
    const HANDLE marker = CreateFileW(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    Sleep(static_cast<DWORD>(_wtoi(argv[4])) * 1000);
    CloseHandle(held);
    return 0;
}
