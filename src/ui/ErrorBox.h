#pragma once

#include <windows.h>

#include <exception>
#include <string_view>

namespace nordavel::win32 {

// The application's default error handler: a modal box with the error's message, a stop icon
// and an OK button, captioned with the application title. The program goes on afterwards.
void ShowErrorBox(HWND owner, std::string_view message) noexcept;

// The same for the exception being handled; for use inside a catch block.
void ShowCurrentException(HWND owner) noexcept;

// The owner for error boxes: the application's main window once it exists.
void SetErrorBoxOwner(HWND owner) noexcept;
HWND ErrorBoxOwner() noexcept;

} // namespace nordavel::win32
