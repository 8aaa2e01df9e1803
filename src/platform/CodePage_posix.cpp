#include "platform/CodePage.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <optional>

#include "base/TextUtil.h"
#include "platform/IoError.h"

namespace nordavel {

namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD"; // U+FFFD
constexpr char kDefaultChar = '?';

bool IsAllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The iconv name of a Windows code page number.
std::string IconvNameOf(std::string_view name) {
    if (!IsAllDigits(name)) return std::string(name);
    if (name == "65001") return "UTF-8";
    if (name == "20127") return "ASCII";
    return "CP" + std::string(name);
}

class Iconv {
public:
    Iconv(const std::string& to, const std::string& from)
        : handle_(iconv_open(to.c_str(), from.c_str())) {}
    ~Iconv() {
        if (Valid()) iconv_close(handle_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool Valid() const noexcept { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const noexcept { return handle_; }

private:
    iconv_t handle_;
};

// Converts with iconv; on input it cannot convert, `onInvalid` appends a substitute and says how
// many input bytes to skip.
class IconvConverter : public CharsetConverter {
public:
    IconvConverter(const std::string& to, const std::string& from, bool fromUtf8)
        : iconv_(to, from), fromUtf8_(fromUtf8) {
        if (!iconv_.Valid())
            throw IoError(errno, "Cannot convert between the character sets", from + " and " + to);
    }

    void Convert(std::string_view in, std::string& out) override {
        iconv(iconv_.Get(), nullptr, nullptr, nullptr, nullptr);
        char* inPtr = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        std::size_t written = out.size();
        out.resize(written + in.size() * 2 + 16);
        // After the input, one more call returns a stateful encoding to its initial shift state.
        bool flushing = false;
        for (;;) {
            char* outPtr = out.data() + written;
            std::size_t outLeft = out.size() - written;
            const std::size_t result =
                flushing ? iconv(iconv_.Get(), nullptr, nullptr, &outPtr, &outLeft)
                         : iconv(iconv_.Get(), &inPtr, &inLeft, &outPtr, &outLeft);
            const int error = errno;
            written = out.size() - outLeft;
            if (result != static_cast<std::size_t>(-1)) {
                if (flushing) break;
                flushing = inLeft == 0;
                continue;
            }
            if (error == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            // EILSEQ (not convertible) or EINVAL (a character cut short at the end).
            out.resize(written);
            const std::size_t skip = error == EINVAL ? inLeft : InvalidLength(inPtr, inLeft);
            out.append(fromUtf8_ ? std::string_view(&kDefaultChar, 1) : kReplacementUtf8);
            inPtr += skip;
            inLeft -= skip;
            written = out.size();
            out.resize(written + inLeft * 2 + 16);
        }
        out.resize(written);
    }

    bool ConvertCharacter(std::string_view bytes, std::string& out) override {
        if (fromUtf8_ || bytes.empty() || !DecodesCharacterByCharacter()) return false;
        char converted[16];
        std::size_t size = 0;
        std::size_t held = 0;
        // Two bytes are one character only when the first is none on its own.
        if (bytes.size() == 2 && ConvertWhole(bytes.substr(0, 1), converted, size, held))
            return false;
        if (!ConvertWhole(bytes, converted, size, held) || size == 0 || held > 0) return false;
        out.append(converted, size);
        return true;
    }

private:
    // Converts `in` to `out` (16 bytes) when it is whole characters; `held` receives the bytes
    // that only the shift back to the initial state writes out.
    bool ConvertWhole(std::string_view in, char (&out)[16], std::size_t& size, std::size_t& held) {
        constexpr auto failed = static_cast<std::size_t>(-1);
        iconv(iconv_.Get(), nullptr, nullptr, nullptr, nullptr);
        char* inPtr = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        char* outPtr = out;
        std::size_t outLeft = sizeof out;
        if (iconv(iconv_.Get(), &inPtr, &inLeft, &outPtr, &outLeft) == failed || inLeft != 0)
            return false;
        size = sizeof out - outLeft;
        const bool flushed = iconv(iconv_.Get(), nullptr, nullptr, &outPtr, &outLeft) != failed;
        held = sizeof out - outLeft - size;
        return flushed;
    }

    // False for a character set that holds a character back until it has seen the next one, to
    // join a letter and a following accent into one character (glibc's CP1255, CP1258, TCVN):
    // there a byte's character depends on the bytes around it. Asked once, when first needed.
    bool DecodesCharacterByCharacter() {
        if (!characterByCharacter_) {
            characterByCharacter_ = true;
            for (int c = 1; c < 256; ++c) {
                const char byte = static_cast<char>(c);
                char converted[16];
                std::size_t size = 0;
                std::size_t held = 0;
                if (ConvertWhole(std::string_view(&byte, 1), converted, size, held) && held > 0)
                    characterByCharacter_ = false;
            }
        }
        return *characterByCharacter_;
    }

    // From UTF-8 a whole character is skipped, otherwise one byte.
    std::size_t InvalidLength(const char* p, std::size_t left) const noexcept {
        if (!fromUtf8_) return 1;
        std::size_t length = 1;
        while (length < left && IsUtf8Continuation(p[length]))
            ++length;
        return length;
    }

    Iconv iconv_;
    bool fromUtf8_;
    std::optional<bool> characterByCharacter_;
};

} // namespace

CodePage CodePage::System() {
    std::string codeset = "UTF-8";
    if (locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr))) {
        const std::string name = nl_langinfo_l(CODESET, locale);
        freelocale(locale);
        if (name != "ANSI_X3.4-1968" && !name.empty()) codeset = name;
    }
    return CodePage(codeset);
}

std::optional<CodePage> CodePage::FromName(std::string_view name) {
    const std::string iconvName = IconvNameOf(name);
    if (name.empty() || !Iconv("UTF-8", iconvName).Valid() || !Iconv(iconvName, "UTF-8").Valid())
        return std::nullopt;
    return CodePage(iconvName);
}

std::unique_ptr<CharsetConverter> CodePage::MakeDecoder() const {
    return std::make_unique<IconvConverter>("UTF-8", name_, false);
}

std::unique_ptr<CharsetConverter> CodePage::MakeEncoder() const {
    return std::make_unique<IconvConverter>(name_, "UTF-8", true);
}

} // namespace nordavel
