#include "platform/CodePage.h"

#include <algorithm>
#include <string>
#include <windows.h>

#include "platform/win32/WideText.h"

namespace nordavel {

namespace {

unsigned NumberOf(const std::string& name) {
    return static_cast<unsigned>(std::stoul(name));
}

// Best-fit mapping would turn characters the code page lacks into look-alikes; the default
// character is wanted instead. A few code pages refuse the flag.
DWORD EncodeFlags(unsigned codePage) {
    const bool refusesFlag = codePage == CP_UTF8 || codePage == CP_UTF7 || codePage == 42 ||
                             (codePage >= 50220 && codePage <= 50229) ||
                             (codePage >= 57002 && codePage <= 57011) || codePage == 54936;
    return refusesFlag ? 0 : WC_NO_BEST_FIT_CHARS;
}

void AppendFromUtf16(unsigned codePage, std::wstring_view text, std::string& out) {
    if (text.empty()) return;
    const DWORD flags = EncodeFlags(codePage);
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(codePage, flags, text.data(), size, nullptr, 0, nullptr, nullptr);
    const std::size_t start = out.size();
    out.resize(start + static_cast<std::size_t>(length));
    WideCharToMultiByte(codePage, flags, text.data(), size, out.data() + start, length, nullptr,
                        nullptr);
}

// True for a code page of one- and two-byte characters, each decoded through the code page's
// table on its own. Those above 50000 are not (ISO 2022 with its escapes, ISCII, GB 18030, UTF-7
// and UTF-8), whatever size they give for their characters.
bool DecodesCharacterByCharacter(unsigned codePage) {
    CPINFO info;
    return codePage < 50000 && GetCPInfo(codePage, &info) && info.MaxCharSize <= 2;
}

class Win32Converter : public CharsetConverter {
public:
    Win32Converter(unsigned from, unsigned to)
        : from_(from), to_(to),
          characterByCharacter_(to == CP_UTF8 && DecodesCharacterByCharacter(from)) {}
    void Convert(std::string_view in, std::string& out) override {
        AppendFromUtf16(to_, win32::Widen(in, from_), out);
    }
    bool ConvertCharacter(std::string_view bytes, std::string& out) override {
        if (!characterByCharacter_ || bytes.empty() ||
            (bytes.size() == 2) != (IsDBCSLeadByteEx(from_, static_cast<BYTE>(bytes[0])) != 0))
            return false;
        // The flag makes a byte that the code page does not define an error, not a default
        // character: a text made of characters converts as without the flag.
        wchar_t character = 0;
        if (MultiByteToWideChar(from_, MB_ERR_INVALID_CHARS, bytes.data(),
                                static_cast<int>(bytes.size()), &character, 1) != 1)
            return false;
        AppendFromUtf16(to_, std::wstring_view(&character, 1), out);
        return true;
    }

private:
    unsigned from_;
    unsigned to_;
    bool characterByCharacter_;
};

} // namespace

CodePage CodePage::System() {
    return CodePage(std::to_string(GetACP()));
}

std::optional<CodePage> CodePage::FromName(std::string_view name) {
    if (name.empty() || name.size() > 5 ||
        !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const std::string number(name);
    if (!IsValidCodePage(NumberOf(number))) return std::nullopt;
    return CodePage(std::to_string(NumberOf(number)));
}

std::unique_ptr<CharsetConverter> CodePage::MakeDecoder() const {
    return std::make_unique<Win32Converter>(NumberOf(name_), CP_UTF8);
}

std::unique_ptr<CharsetConverter> CodePage::MakeEncoder() const {
    return std::make_unique<Win32Converter>(CP_UTF8, NumberOf(name_));
}

} // namespace nordavel
