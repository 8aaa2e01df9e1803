// Case mapping, trimming, the splitting of paths into folder, file and extension, and the byte
// loops beneath them.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "base/ByteScan.h"
#include "base/TextUtil.h"

namespace nordavel {
namespace {

constexpr auto kWin = PathStyle::Windows;
constexpr auto kPosix = PathStyle::Posix;

TEST(TextUtil, OnlyAsciiLettersChangeCase) {
    EXPECT_EQ(LowerAscii("AbC<Z>[@`{"), "abc<z>[@`{");
    EXPECT_EQ(UpperAscii("a.csV\xC3\xA9"), "A.CSV\xC3\xA9");
}

TEST(TextUtil, TrimRemovesControlsAndBlanksAtBothEnds) {
    EXPECT_EQ(Trim(" \t\r\n\x01 a b \x1f "), "a b");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim("\xC2\xA0x"), "\xC2\xA0x") << "a no-break space is not trimmed";
}

TEST(TextUtil, WindowsPathParts) {
    EXPECT_EQ(ExtractFilePath("D:\\gps\\walk.kml", kWin), "D:\\gps\\");
    EXPECT_EQ(ExtractFileName("D:\\gps\\walk.kml", kWin), "walk.kml");
    EXPECT_EQ(ExtractFilePath("D:walk.kml", kWin), "D:");
    EXPECT_EQ(UpToLastSeparator("D:walk.kml", kWin), "") << "a drive is no folder to the system";
    EXPECT_EQ(UpToLastSeparator("D:\\gps/sub\\walk.kml", kWin), "D:\\gps/sub\\");
    EXPECT_EQ(ExtractFileName("walk.kml", kWin), "walk.kml");
    EXPECT_EQ(ExtractFileExt("D:\\gps.2023\\walk", kWin), "");
    EXPECT_EQ(ExtractFileExt("D:\\gps\\walk.csv.kml", kWin), ".kml");
    EXPECT_EQ(ChangeFileExt("D:\\gps\\Track.KML", ".csv", kWin), "D:\\gps\\Track.csv");
    EXPECT_EQ(ChangeFileExt("D:\\gps.x\\track", ".csv", kWin), "D:\\gps.x\\track.csv");
    // "/" separates folders as "\\" does: the CSV file stays in the log's folder.
    EXPECT_EQ(ChangeFileExt("logs.v2/walk", ".csv", kWin), "logs.v2/walk.csv");
    EXPECT_EQ(ExtractFilePath("logs.v2/walk", kWin), "logs.v2/");
    EXPECT_EQ(ExtractFileName("logs.v2/walk", kWin), "walk");
    EXPECT_EQ(ChangeFileExt("C:/Users/john.doe/track", ".csv", kWin),
              "C:/Users/john.doe/track.csv");
    EXPECT_EQ(ExtractFilePath("D:\\gps/sub\\walk.kml", kWin), "D:\\gps/sub\\");
    EXPECT_EQ(ExtractFileExt("a.b/c", kWin), "");
}

TEST(TextUtil, PosixPathParts) {
    EXPECT_EQ(ExtractFilePath("/gps/walk.kml", kPosix), "/gps/");
    EXPECT_EQ(ExtractFileName("/gps/walk.kml", kPosix), "walk.kml");
    EXPECT_EQ(ExtractFileName("D:\\gps\\walk.kml", kPosix), "D:\\gps\\walk.kml");
    EXPECT_EQ(UpToLastSeparator("/gps/D:walk\\x.kml", kPosix), "/gps/");
    EXPECT_EQ(ExtractFileExt("/gps.2023/walk", kPosix), "");
    EXPECT_EQ(ChangeFileExt("/gps/.hidden", ".csv", kPosix), "/gps/.csv");
}

TEST(TextUtil, CharacterCount) {
    EXPECT_EQ(CharacterCount(""), 0u);
    EXPECT_EQ(CharacterCount("abc"), 3u);
    EXPECT_EQ(CharacterCount("\xE3\x82\xA2\xC3\xA9z"), 3u);
}

// A copy of `text` in memory of exactly its size, so that the address sanitizer catches a read
// past its end.
class Exact {
public:
    explicit Exact(std::string_view text)
        : bytes_(std::make_unique<char[]>(text.size())), size_(text.size()) {
        if (size_ > 0) std::memcpy(bytes_.get(), text.data(), size_);
    }
    std::string_view View() const { return {bytes_.get(), size_}; }

private:
    std::unique_ptr<char[]> bytes_;
    std::size_t size_;
};

constexpr auto npos = std::string_view::npos;

TEST(ByteScan, FindBytesAgreesWithThePlainSearch) {
    // Texts of tag characters are full of near misses: first and last byte right, middle wrong.
    std::mt19937 random(7);
    const std::string alphabet = "<>/na";
    const auto text = [&](std::size_t size) {
        std::string made;
        for (std::size_t i = 0; i < size; ++i)
            made += alphabet[random() % alphabet.size()];
        return made;
    };
    for (std::size_t k = 0; k <= 20; ++k) {
        for (std::size_t n = 0; n <= 70; ++n) {
            for (int round = 0; round < 4; ++round) {
                const std::string needle = text(k);
                std::string haystack = text(n);
                // Often plant the needle, at the very start and end too.
                if (round > 0 && k <= n) haystack.replace(random() % (n - k + 1), k, needle);
                if (round == 2 && k <= n) haystack.replace(n - k, k, needle);
                const Exact exactText(haystack);
                const Exact exactNeedle(needle);
                EXPECT_EQ(FindBytes(exactText.View(), exactNeedle.View()), haystack.find(needle))
                    << "'" << needle << "' in '" << haystack << "'";
            }
        }
    }
    // A text that opens with the needle, and near misses of that.
    for (const char* opening : {"<coordinates>1,2", "<coordinates>", "<coordinate>", "<coordinates",
                                "", "x<coordinates>"}) {
        const Exact exact(opening);
        EXPECT_EQ(StartsWith(exact.View(), "<coordinates>"),
                  std::string_view(opening).substr(0, 13) == "<coordinates>")
            << opening;
    }
    EXPECT_TRUE(StartsWith("abc", ""));
    // The tags the scanner looks for, found only whole.
    EXPECT_EQ(FindBytes("\t\t</coordinates>\t\t<coordinates>1,2", "<coordinates>"), 18u);
    EXPECT_EQ(FindBytes(std::string(200, '<') + "<name>", "<name>"), 200u);
    EXPECT_EQ(FindBytes(std::string(200, '<') + "<nam>", "<name>"), npos);
    EXPECT_EQ(FindBytes("", ""), 0u);
    EXPECT_EQ(FindBytes("", "<"), npos);
}

TEST(ByteScan, CommasAndQuotesAtEveryPlace) {
    for (std::size_t n = 0; n <= 40; ++n) {
        for (std::size_t at = 0; at <= n; ++at) {
            for (char special : {',', '"'}) {
                // `at == n` leaves the text without a comma or quote; the other bytes are near
                // misses of them.
                std::string text(n, '+');
                for (std::size_t i = 0; i < n; i += 3)
                    text[i] = '#';
                if (at < n) text[at] = special;
                const Exact exact(text);
                const bool expected = at < n;
                std::string copy(n + 1, '?');
                EXPECT_EQ(CopyHoldingCommaOrQuote(exact.View().data(), n, copy.data()), expected)
                    << n << " " << at;
                EXPECT_EQ(copy, text + "?") << "copied exactly, and nothing after";
            }
        }
    }
}

TEST(ByteScan, AsciiTestsSeeAHighByteAnywhere) {
    for (std::size_t n = 0; n <= 40; ++n) {
        for (std::size_t at = 0; at <= n; ++at) {
            std::string text(n, '\x7F');
            if (at < n) text[at] = static_cast<char>(0x80 + at);
            if (at + 5 < n) text[at + 5] = '\xFF';
            const Exact exact(text);
            EXPECT_EQ(IsAscii(exact.View()), at == n) << n << " " << at;
            EXPECT_EQ(FindNonAscii(exact.View().data(), n), at == n ? npos : at) << n << " " << at;
        }
    }
}

TEST(ByteScan, ScanBufferAgreesWithAPlainLoop) {
    std::mt19937 random(11);
    // Every byte value, and texts rich in capitals, CR, LF and Ctrl-Z, of sizes around the
    // vector steps.
    std::string everyByte;
    for (int c = 1; c < 256; ++c)
        if (c != 26) everyByte += static_cast<char>(c);
    const std::string tricky = "AZ@[`{az\r\n\r\x80\xC1\xDA\x1A";
    for (int round = 0; round < 400; ++round) {
        const std::size_t size = round < 300 ? static_cast<std::size_t>(round) : random() % 2000;
        std::string bytes;
        const std::string& from = round % 2 ? everyByte : tricky;
        for (std::size_t i = 0; i < size; ++i) {
            char c = from[random() % from.size()];
            if (c == 26 && random() % 8 != 0) c = 'A';
            bytes += c;
        }
        std::size_t end = bytes.find('\x1A');
        if (end == std::string::npos) end = size;
        bool ascii = true;
        bool loneCr = false;
        std::string lower;
        for (std::size_t i = 0; i < end; ++i) {
            ascii = ascii && static_cast<unsigned char>(bytes[i]) < 0x80;
            loneCr = loneCr || (bytes[i] == '\r' && i + 1 < end && bytes[i + 1] != '\n');
            lower += LowerAscii(bytes[i]);
        }
        const Exact exact(bytes);
        std::string lowered(size + 1, '?');
        const BufferFacts facts = ScanBuffer(exact.View().data(), size, lowered.data());
        EXPECT_EQ(facts.size, end) << round;
        EXPECT_EQ(facts.ascii, ascii) << round;
        EXPECT_EQ(facts.loneCr, loneCr) << round;
        EXPECT_EQ(lowered.substr(0, end), lower) << round;
        EXPECT_EQ(ScanBuffer(exact.View().data(), size).loneCr, loneCr) << round;
    }
}

} // namespace
} // namespace nordavel
