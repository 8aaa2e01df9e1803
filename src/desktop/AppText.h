#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Texts of the desktop program that follow from its inputs: kept here, apart from the windows,
// so that they can be tested anywhere.
namespace nordavel {

// "major.minor" from the most significant 32 bits of a file version (major in the upper 16
// bits), the minor number written with at least two digits: 0x00020003 gives "2.03".
std::string VersionText(std::uint32_t fileVersionMs);
// What an executable without a version resource shows.
inline constexpr std::uint32_t kNoFileVersion = 0xFFFFFFFFu;

// The main window's caption for a version text.
std::string MainCaption(std::string_view versionText);

// The application's title: the executable's file name up to its first ".", every character
// after the first in lower case ("NORDAVEL.EXE" gives "Nordavel").
std::string ApplicationTitle(std::string_view executablePath);

// The text of the error box for an error message: a full stop is appended when the message's last
// character comes after "." in character order.
std::string ErrorBoxText(std::string_view message);

// The file list lines for the program's command-line parameters: every parameter as written,
// except those whose extension is ".ini".
std::vector<std::string> FileListFromParameters(const std::vector<std::string>& parameters);

} // namespace nordavel
