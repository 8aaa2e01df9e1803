#pragma once

#include <string>
#include <string_view>

// Text helpers shared by every part of Nordavel. Texts are UTF-8 on every platform; only the
// ASCII letters are ever case-mapped and only ASCII control characters and the blank are trimmed,
// so byte-wise work on UTF-8 is exact.
namespace nordavel {

constexpr char LowerAscii(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char UpperAscii(char c) noexcept {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
std::string LowerAscii(std::string_view text);
std::string UpperAscii(std::string_view text);
void LowerAsciiInPlace(char* first, char* last) noexcept;

// Characters with a code of 32 or less (blank, tab, CR, LF and the other controls).
constexpr bool IsTrimmable(char c) noexcept {
    return static_cast<unsigned char>(c) <= 32;
}
constexpr std::string_view Trim(std::string_view text) noexcept {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsTrimmable(text[begin]))
        ++begin;
    while (end > begin && IsTrimmable(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// How a path is split into folder, file and extension. Windows paths end the folder at the last
// "\", "/" or ":" (Windows takes "/" as a separator too, so "C:/gps/walk" names walk in gps);
// POSIX paths at the last "/".
enum class PathStyle { Windows, Posix };
#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

// The folder part, up to and including the last delimiter (empty when there is none).
std::string_view ExtractFilePath(std::string_view path, PathStyle style = kNativePathStyle);
// The folder part as a folder is named to the system: up to and including the last "\" or "/"
// (Windows paths) or "/" (POSIX paths), where a drive's ":" ends no folder.
std::string_view UpToLastSeparator(std::string_view path, PathStyle style = kNativePathStyle);
// The file part: everything after the folder part.
std::string_view ExtractFileName(std::string_view path, PathStyle style = kNativePathStyle);
// The text from the last "." of the file part to the end, or empty text.
std::string_view ExtractFileExt(std::string_view path, PathStyle style = kNativePathStyle);
// True when the path's extension is `extension` (with its ".") in any letter case of A to Z.
bool HasExtension(std::string_view path, std::string_view extension,
                  PathStyle style = kNativePathStyle);
// `name` inside `folder`, with a separator between them unless the folder ends in one.
std::string JoinPath(std::string_view folder, std::string_view name,
                     PathStyle style = kNativePathStyle);
// The path with its extension replaced by (or, without one, extended by) `extension`.
std::string ChangeFileExt(std::string_view path, std::string_view extension,
                          PathStyle style = kNativePathStyle);

// A byte that continues a multi-byte UTF-8 sequence rather than starting a character.
constexpr bool IsUtf8Continuation(char c) noexcept {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Number of characters (code points) of a UTF-8 text: every byte that does not continue a
// multi-byte sequence starts one.
std::size_t CharacterCount(std::string_view utf8) noexcept;

// The byte length of the well-formed UTF-8 character at the front of `text`, which is not empty;
// 0 when there is none there: overlong forms, surrogates and code points above U+10FFFF are not
// UTF-8, nor is a character cut short by the end of `text`.
std::size_t CharacterLength(std::string_view text) noexcept;

} // namespace nordavel
