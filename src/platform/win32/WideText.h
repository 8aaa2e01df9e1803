#pragma once

// UTF-8 <-> UTF-16 at the boundary of the Win32 API; the rest of Nordavel works in UTF-8.
#include <string>
#include <string_view>

namespace nordavel::win32 {

// Text in a code page (UTF-8 unless another is named) as UTF-16.
std::wstring Widen(std::string_view text, unsigned codePage = 65001);
std::string Narrow(std::wstring_view utf16);

} // namespace nordavel::win32
