#pragma once

// UTF-8 <-> UTF-16 at the boundary of the Win32 API; the rest of Nordavel works in UTF-8.
#include <string>
#include <string_view>

namespace nordavel::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

} // namespace nordavel::win32
