#pragma once

// Handles closed on every path out of a scope, as std::unique_ptr closes them.
#include <windows.h>

#include <memory>
#include <type_traits>

namespace nordavel::win32 {

struct CloseKernelHandle {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
struct CloseFind {
    void operator()(HANDLE find) const noexcept { FindClose(find); }
};
struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const noexcept { DeleteObject(object); }
};
struct FreeLocalMemory {
    void operator()(void* memory) const noexcept { LocalFree(memory); }
};

// A kernel handle (file, mutex), closed with CloseHandle; never INVALID_HANDLE_VALUE.
using UniqueHandle = std::unique_ptr<void, CloseKernelHandle>;
// A search of FindFirstFileEx, closed with FindClose; never INVALID_HANDLE_VALUE.
using UniqueFindHandle = std::unique_ptr<void, CloseFind>;
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, DeleteGdiObject>;
// Memory the system allocated for the caller to free with LocalFree.
template <class T>
using UniqueLocal = std::unique_ptr<T, FreeLocalMemory>;

} // namespace nordavel::win32
