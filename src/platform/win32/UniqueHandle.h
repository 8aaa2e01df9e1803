#pragma once

// Handles closed on every path out of a scope, as std::unique_ptr closes them.
#include <windows.h>

#include <memory>
#include <type_traits>

namespace nordavel::win32 {

struct CloseKernelHandle {
    void operator()(HANDLE handle) const noexcept { CloseHandle(handle); }
};
struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const noexcept { DeleteObject(object); }
};

// A kernel handle (file, mutex), closed with CloseHandle; never INVALID_HANDLE_VALUE.
using UniqueHandle = std::unique_ptr<void, CloseKernelHandle>;
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, DeleteGdiObject>;

} // namespace nordavel::win32
