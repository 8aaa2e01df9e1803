#include "platform/CodePage.h"

#include <algorithm>

#include "text/ByteScan.h"

namespace nordavel {

namespace {

// Every character set Nordavel meets keeps ASCII as it is, but a few (Shift_JIS as glibc has it,
// with the yen sign at 0x5C) do not; those always go through the converter.
bool MapsAsciiToItself(CharsetConverter& converter) {
    std::string ascii;
    for (int c = 1; c < 0x80; ++c)
        ascii.push_back(static_cast<char>(c));
    std::string converted;
    converter.Convert(ascii, converted);
    return converted == ascii;
}

bool KeepsAsciiExceptJisRoman(CharsetConverter& converter) {
    std::string ascii;
    for (int c = 1; c < 0x80; ++c)
        if (c != '\\' && c != '~') ascii.push_back(static_cast<char>(c));
    std::string converted;
    converter.Convert(ascii, converted);
    return converted == ascii;
}

} // namespace

bool IsAsciiCompatible(const CodePage& codePage) {
    return KeepsAsciiExceptJisRoman(*codePage.MakeDecoder()) &&
           KeepsAsciiExceptJisRoman(*codePage.MakeEncoder());
}

TextDecoder::TextDecoder(const CodePage& codePage)
    : converter_(codePage.MakeDecoder()), asciiIsIdentity_(MapsAsciiToItself(*converter_)) {}

std::string_view TextDecoder::Decode(std::string_view bytes, std::string& storage) {
    storage.clear();
    if (asciiIsIdentity_ && IsAscii(bytes)) {
        storage.append(bytes);
    } else {
        converter_->Convert(bytes, storage);
    }
    return storage;
}

TextEncoder::TextEncoder(const CodePage& codePage)
    : converter_(codePage.MakeEncoder()), asciiIsIdentity_(MapsAsciiToItself(*converter_)) {}

void TextEncoder::Append(std::string_view utf8, std::string& bytes) {
    if (asciiIsIdentity_ && IsAscii(utf8)) {
        bytes.append(utf8);
    } else {
        converter_->Convert(utf8, bytes);
    }
}

} // namespace nordavel
