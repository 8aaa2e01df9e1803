#include "platform/CodePage.h"

#include <algorithm>
#include <cstring>

#include "base/ByteScan.h"

namespace nordavel {

namespace {

// Whether the converter keeps ASCII as it is, one byte a character. Every character set Nordavel
// meets does, but a few (Shift_JIS as glibc has it, with the yen sign at 0x5C) not for "\" and
// "~": those always go through the converter, yet the tag scanner can still read them.
bool KeepsAscii(CharsetConverter& converter, bool exceptJisRoman = false) {
    std::string ascii;
    for (int c = 1; c < 0x80; ++c)
        if (!exceptJisRoman || (c != '\\' && c != '~')) ascii.push_back(static_cast<char>(c));
    std::string converted;
    converter.Convert(ascii, converted);
    return converted == ascii;
}

// Whether other characters are made of bytes from 0x40 on, as in every code page Nordavel
// reads, so that no part of one is taken for "<", ">", a digit or a line end. In a stateful
// encoding (ISO-2022-JP, UTF-7, HZ) they are not: after a shift, the ASCII bytes stand for
// halves of other characters. The samples: é ü Ω Ж あ 中; characters the code page lacks come
// out as "?" and tell nothing.
bool KeepsOthersOutOfAscii(CharsetConverter& encoder) {
    static constexpr std::string_view kSamples[] = {"\xC3\xA9", "\xC3\xBC",     "\xCE\xA9",
                                                    "\xD0\x96", "\xE3\x81\x82", "\xE4\xB8\xAD"};
    for (const std::string_view sample : kSamples) {
        std::string bytes;
        encoder.Convert(sample, bytes);
        if (bytes != "?" && std::any_of(bytes.begin(), bytes.end(), [](char c) {
                return static_cast<unsigned char>(c) < 0x40;
            }))
            return false;
    }
    return true;
}

} // namespace

bool IsAsciiCompatible(const CodePage& codePage) {
    const std::unique_ptr<CharsetConverter> encoder = codePage.MakeEncoder();
    return KeepsAscii(*codePage.MakeDecoder(), true) && KeepsAscii(*encoder, true) &&
           KeepsOthersOutOfAscii(*encoder);
}

TextDecoder::TextDecoder(const CodePage& codePage)
    : converter_(codePage.MakeDecoder()), asciiIsIdentity_(KeepsAscii(*converter_)) {
    std::fill_n(singleBytes_, 128, Character{kUnknown, {}});
}

std::string_view TextDecoder::Decode(std::string_view bytes, std::string& storage) {
    if (asciiIsIdentity_) {
        const std::size_t ascii = std::min(FindNonAscii(bytes.data(), bytes.size()), bytes.size());
        if (const auto text = DecodeKnown(bytes, ascii, storage)) return *text;
    }
    storage.clear();
    converter_->Convert(bytes, storage);
    return storage;
}

std::optional<std::string_view> TextDecoder::DecodeKnown(std::string_view bytes, std::size_t ascii,
                                                         std::string& storage) {
    // Room for three bytes of UTF-8, the most a byte gives, for each from the first byte 0x80
    // or above on, and two to spare (see DecodeFromTable).
    const std::size_t room = ascii + 3 * (bytes.size() - ascii) + 2;
    if (storage.size() < room) storage.resize(room);
    const std::size_t size = DecodeFromTable(bytes, ascii, storage.data());
    if (size == std::string_view::npos) return std::nullopt;
    return std::string_view(storage.data(), size);
}

std::size_t TextDecoder::DecodeFromTable(std::string_view bytes, std::size_t ascii, char* out) {
    constexpr auto npos = std::string_view::npos;
    const char* in = bytes.data();
    const std::size_t size = bytes.size();
    const char* const start = out;
    std::size_t i = 0;
    for (;;) {
        if (ascii > 0) std::memcpy(out, in + i, ascii);
        out += ascii;
        i += ascii;
        if (i == size) return static_cast<std::size_t>(out - start);
        // One or more characters that begin with a byte 0x80 or above, each copied as three
        // bytes: those past its size are overwritten by what follows, or lie in the two bytes to
        // spare.
        do {
            const std::size_t byte = static_cast<unsigned char>(in[i]);
            const Character* character = &Known(singleBytes_[byte - 0x80], bytes.substr(i, 1));
            std::size_t length = 1;
            if (character->size == 0 && i + 1 < size) {
                // Not a character on its own: maybe the first of two bytes.
                const std::size_t second = static_cast<unsigned char>(in[i + 1]);
                character = &Known(DoubleBytes()[(byte - 0x80) * 256 + second], bytes.substr(i, 2));
                length = 2;
            }
            if (character->size == 0) return npos;
            std::memcpy(out, character->utf8, 3);
            out += character->size;
            i += length;
        } while (i < size && static_cast<unsigned char>(in[i]) >= 0x80);
        ascii = std::min(FindNonAscii(in + i, size - i), size - i);
    }
}

TextDecoder::Character* TextDecoder::DoubleBytes() {
    if (!doubleBytes_) {
        doubleBytes_.reset(new Character[128 * 256]);
        std::fill_n(doubleBytes_.get(), 128 * 256, Character{kUnknown, {}});
    }
    return doubleBytes_.get();
}

void TextDecoder::Learn(Character& character, std::string_view bytes) {
    std::string converted;
    character.size = 0;
    // A character that decodes to ASCII stays out of the table, and the converter decodes it
    // each time: so the ASCII of a text that DecodeKnown gives is the ASCII of its bytes, and a
    // caller may change ASCII letters in the text as it would in the bytes.
    if (converter_->ConvertCharacter(bytes, converted) && converted.size() <= 3 &&
        !converted.empty() && !IsAscii(converted)) {
        std::memcpy(character.utf8, converted.data(), converted.size());
        character.size = static_cast<std::uint8_t>(converted.size());
    }
}

TextEncoder::TextEncoder(const CodePage& codePage)
    : converter_(codePage.MakeEncoder()), asciiIsIdentity_(KeepsAscii(*converter_)) {}

void TextEncoder::Append(std::string_view utf8, std::string& bytes) {
    if (asciiIsIdentity_ && IsAscii(utf8)) {
        bytes.append(utf8);
    } else {
        converter_->Convert(utf8, bytes);
    }
}

} // namespace nordavel
