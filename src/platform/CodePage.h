#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace nordavel {

// One direction of conversion between a code page and UTF-8, made by the platform.
class CharsetConverter {
public:
    virtual ~CharsetConverter() = default;
    // Appends the conversion of `in` to `out`; never fails (see TextDecoder and TextEncoder).
    virtual void Convert(std::string_view in, std::string& out) = 0;
    // For a decoder: when `bytes` (one or two) are one character of the code page, decoded
    // the same wherever it stands in a text, appends its conversion to `out` and returns true.
    // False when they are not, or when the platform cannot tell: a byte that does not form a
    // character, a character of more bytes, a code page that decodes a character differently
    // depending on its neighbours.
    virtual bool ConvertCharacter(std::string_view bytes, std::string& out) = 0;
};

// An 8-bit character set ("ANSI code page") in which logs are read and CSV files written.
// On Windows it is a code page number; on POSIX the name of an iconv character set.
class CodePage {
public:
    // The system ANSI code page: GetACP() on Windows; on POSIX the codeset of the user's locale,
    // where the C/POSIX locale counts as UTF-8.
    static CodePage System();
    // A code page named by the user: a Windows code page number ("932", "1252") on every
    // platform, or on POSIX also any iconv name. Empty when this system cannot convert it.
    static std::optional<CodePage> FromName(std::string_view name);

    const std::string& Name() const noexcept { return name_; }

    // Made by the platform; never fail for a CodePage that System or FromName returned.
    std::unique_ptr<CharsetConverter> MakeDecoder() const;
    std::unique_ptr<CharsetConverter> MakeEncoder() const;

private:
    explicit CodePage(std::string name) : name_(std::move(name)) {}
    std::string name_;
};

// True when the code page's ASCII bytes stand for themselves, one byte per character, in both
// directions, and never for part of another character, which the tag scanner and the line ends
// rely on: Windows ANSI and DBCS code pages, UTF-8, EUC-JP. UTF-16, UTF-32, EBCDIC and the
// stateful encodings (UTF-7, ISO-2022-JP) are not. "\" and "~" may differ, as they do
// in the JIS-Roman of some Shift_JIS tables.
bool IsAsciiCompatible(const CodePage& codePage);

// Converts text in a code page to UTF-8. Bytes that do not form a character of the code page
// become a replacement character; the result is always valid UTF-8.
// Where the code page decodes ASCII to itself, ASCII bytes are copied without asking the
// platform, and a character of one or two bytes, the first 0x80 or above, is converted by the
// platform the first time only and then taken from a table: a log whose descriptions hold
// accented or Japanese text has such characters on every few lines.
class TextDecoder {
public:
    explicit TextDecoder(const CodePage& codePage);

    // The text of `bytes`, at the start of `storage`, which may be longer: it is kept from call
    // to call and only ever grows, so that decoding a line costs no allocation.
    std::string_view Decode(std::string_view bytes, std::string& storage);
    // Decode for a caller that has already scanned `bytes`: their first `ascii` bytes are ASCII
    // and the next, if any, is 0x80 or above. Only for a decoder whose ASCII decodes to itself.
    // Decodes from the table alone: empty when some bytes are no character in it, and Decode
    // then gives their text. The table holds no character that decodes to ASCII, so the ASCII
    // of the text is exactly the ASCII of `bytes`, in the same order.
    std::optional<std::string_view> DecodeKnown(std::string_view bytes, std::size_t ascii,
                                                std::string& storage);
    // True when ASCII bytes decode to themselves.
    bool AsciiIsIdentity() const noexcept { return asciiIsIdentity_; }

private:
    // The UTF-8 of one character of the code page, as the platform decodes it. `size` is 0 when
    // its bytes are not one character that the table can hold, kUnknown before the platform has
    // been asked.
    struct Character {
        std::uint8_t size;
        char utf8[3];
    };
    static constexpr std::uint8_t kUnknown = 0xFF;

    // Decodes `bytes`, whose first `ascii` are ASCII and the next 0x80 or above, from the table
    // into `out`, which DecodeKnown makes room for; the length of the text, or npos at the first
    // bytes that are no character in the table.
    std::size_t DecodeFromTable(std::string_view bytes, std::size_t ascii, char* out);
    // `character`, the table's entry for `bytes`, filled in by the platform the first time.
    const Character& Known(Character& character, std::string_view bytes) {
        if (character.size == kUnknown) Learn(character, bytes);
        return character;
    }
    void Learn(Character& character, std::string_view bytes);
    // The entries of two-byte characters, made when the first is needed.
    Character* DoubleBytes();

    std::unique_ptr<CharsetConverter> converter_;
    bool asciiIsIdentity_ = false;
    Character singleBytes_[128];               // [byte - 0x80]
    std::unique_ptr<Character[]> doubleBytes_; // [first byte - 0x80][second byte]
};

// Converts UTF-8 text to a code page. A character that the code page cannot represent becomes
// the code page's default character ("?").
class TextEncoder {
public:
    explicit TextEncoder(const CodePage& codePage);

    void Append(std::string_view utf8, std::string& bytes);
    // True when ASCII characters encode to themselves.
    bool AsciiIsIdentity() const noexcept { return asciiIsIdentity_; }

private:
    std::unique_ptr<CharsetConverter> converter_;
    bool asciiIsIdentity_ = false;
};

} // namespace nordavel
