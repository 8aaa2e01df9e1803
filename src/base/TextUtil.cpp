#include "base/TextUtil.h"

namespace nordavel {

void LowerAsciiInPlace(char* first, char* last) noexcept {
    for (; first != last; ++first)
        *first = LowerAscii(*first);
}

std::string LowerAscii(std::string_view text) {
    std::string result(text);
    LowerAsciiInPlace(result.data(), result.data() + result.size());
    return result;
}

std::string UpperAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        c = UpperAscii(c);
    return result;
}

namespace {

std::string_view Delimiters(PathStyle style) noexcept {
    return style == PathStyle::Windows ? std::string_view("\\/:") : std::string_view("/");
}

// Index just past the folder part.
std::size_t FileNameStart(std::string_view path, PathStyle style) noexcept {
    const std::size_t last = path.find_last_of(Delimiters(style));
    return last == std::string_view::npos ? 0 : last + 1;
}

std::size_t ExtensionStart(std::string_view path, PathStyle style) noexcept {
    const std::size_t nameStart = FileNameStart(path, style);
    const std::size_t dot = path.rfind('.');
    return (dot == std::string_view::npos || dot < nameStart) ? path.size() : dot;
}

} // namespace

std::string_view ExtractFilePath(std::string_view path, PathStyle style) {
    return path.substr(0, FileNameStart(path, style));
}

std::string_view UpToLastSeparator(std::string_view path, PathStyle style) {
    const std::size_t last = path.find_last_of(style == PathStyle::Windows ? "\\/" : "/");
    return path.substr(0, last == std::string_view::npos ? 0 : last + 1);
}

std::string_view ExtractFileName(std::string_view path, PathStyle style) {
    return path.substr(FileNameStart(path, style));
}

std::string_view ExtractFileExt(std::string_view path, PathStyle style) {
    return path.substr(ExtensionStart(path, style));
}

bool HasExtension(std::string_view path, std::string_view extension, PathStyle style) {
    return LowerAscii(ExtractFileExt(path, style)) == LowerAscii(extension);
}

std::string JoinPath(std::string_view folder, std::string_view name, PathStyle style) {
    std::string path(folder);
    if (!path.empty() && ExtractFileName(path, style).size() != 0)
        path += style == PathStyle::Windows ? '\\' : '/';
    path += name;
    return path;
}

std::string ChangeFileExt(std::string_view path, std::string_view extension, PathStyle style) {
    std::string result(path.substr(0, ExtensionStart(path, style)));
    result += extension;
    return result;
}

std::size_t CharacterLength(std::string_view text) noexcept {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80; // the range of the second byte
    unsigned char high = 0xBF;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!IsUtf8Continuation(text[i])) return 0;
    return length;
}

std::size_t CharacterCount(std::string_view utf8) noexcept {
    std::size_t count = 0;
    for (char c : utf8) {
        if (!IsUtf8Continuation(c)) ++count;
    }
    return count;
}

} // namespace nordavel
