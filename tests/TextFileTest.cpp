// The text-file layer: how bytes become lines and lines become bytes.
#include <gtest/gtest.h>

#include <iterator>
#include <random>

#include "TestSupport.h"
#include "base/TextUtil.h"
#include "platform/IoError.h"
#include "text/TextFile.h"

namespace nordavel {
namespace {

using test::MemorySink;
using test::MemorySource;

constexpr auto npos = std::string_view::npos;

CodePage Cp(const char* name) {
    auto codePage = CodePage::FromName(name);
    if (!codePage) throw std::runtime_error(std::string("code page missing: ") + name);
    return *codePage;
}

// Every line of `bytes` as the reader hands it out, read in pieces of `chunk` bytes.
std::vector<std::string> ReadAll(const std::string& bytes, std::size_t chunk = 7,
                                 const char* codePage = "1252") {
    MemorySource source(bytes, chunk);
    TextReader reader(source, Cp(codePage));
    std::vector<std::string> lines;
    while (!reader.AtEnd())
        lines.emplace_back(reader.NextLine());
    return lines;
}

using Lines = std::vector<std::string>;

// Reads `reader` to its end, each step by NextLine when `plainStep()` says so and otherwise by
// NextLineContaining("<tag>"), and checks every line it hands out against `expected`.
template <class PlainStep>
void ExpectReadAlong(TextReader& reader, const Lines& expected, PlainStep plainStep,
                     const std::string& label) {
    for (std::size_t next = 0; next < expected.size();) {
        if (plainStep()) {
            ASSERT_EQ(reader.NextLine(), expected[next]) << label << " line " << next;
            ++next;
            continue;
        }
        std::size_t holding = next;
        while (holding + 1 < expected.size() && expected[holding].find("<tag>") == npos)
            ++holding;
        std::string_view line;
        const std::size_t offset = reader.NextLineContaining("<tag>", line);
        ASSERT_EQ(line, expected[holding]) << label << " line " << holding;
        EXPECT_EQ(offset, expected[holding].find("<tag>"));
        next = holding + 1;
    }
    EXPECT_TRUE(reader.AtEnd()) << label;
}

TEST(TextReader, LineEnds) {
    EXPECT_EQ(ReadAll("a\nb\r\nc"), (Lines{"a", "b", "c"}));
    // A final line end makes no extra line, but an empty line before it is one.
    EXPECT_EQ(ReadAll("a\r\n"), (Lines{"a"}));
    EXPECT_EQ(ReadAll("a\r\n\r\n"), (Lines{"a", ""}));
    EXPECT_EQ(ReadAll(""), Lines{});
    // A CR without LF is dropped and does not end the line, also at the very end.
    EXPECT_EQ(ReadAll("a\rb\r\nc\r"), (Lines{"ab", "c"}));
    EXPECT_EQ(ReadAll("one\rtwo\rthree\r"), (Lines{"onetwothree"}));
    // CR LF split across two reads of the source.
    for (std::size_t chunk = 1; chunk <= 4; ++chunk)
        EXPECT_EQ(ReadAll("ab\r\ncd\r\n", chunk), (Lines{"ab", "cd"})) << chunk;
}

TEST(TextReader, CtrlZEndsTheFile) {
    EXPECT_EQ(ReadAll("a\r\nb\x1A\r\nc\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(ReadAll("\x1A"
                      "abc"),
              Lines{});
    // The end-of-file test sees a Ctrl-Z that follows a line end.
    MemorySource source("a\r\n\x1A"
                        "more",
                        100);
    TextReader reader(source, Cp("1252"));
    EXPECT_EQ(reader.NextLine(), "a");
    EXPECT_TRUE(reader.AtEnd());
}

TEST(TextReader, ReadingAtTheEndYieldsNothingAndIsNoError) {
    MemorySource source("x", 100);
    TextReader reader(source, Cp("1252"));
    EXPECT_EQ(reader.NextLine(), "x");
    EXPECT_EQ(reader.NextLine(), "");
    EXPECT_EQ(reader.NextLine(), "");
    EXPECT_TRUE(reader.AtEnd());
}

TEST(TextReader, ByteOrderMarkIsReadAsCharacters) {
    // cp1252 has no BOM: EF BB BF are three letters, and they survive a round trip.
    const Lines lines = ReadAll("\xEF\xBB\xBFkml\r\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "\xC3\xAF\xC2\xBB\xC2\xBFkml"); // U+00EF U+00BB U+00BF
    // In UTF-8 it stays the character U+FEFF at the start of the first line.
    EXPECT_EQ(ReadAll("\xEF\xBB\xBFkml\r\n", 7, "65001"), (Lines{"\xEF\xBB\xBFkml"}));
}

TEST(TextReader, LinesAcrossManyReads) {
    const std::string megabyte(1 << 20, 'x');
    const Lines lines = ReadAll("a\r\n" + megabyte + "\r\nb", 4096);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], megabyte);
    EXPECT_EQ(lines[2], "b");

    // The last line of a read stays valid when AtEnd has read the next: lines of 100 bytes, 50
    // to a read.
    std::string numbered;
    for (int i = 0; i < 200; ++i) {
        const std::string number = std::to_string(i);
        numbered += number + std::string(99 - number.size(), '.') + "\n";
    }
    MemorySource source(numbered, 5000);
    TextReader reader(source, Cp("1252"));
    for (int i = 0; !reader.AtEnd(); ++i) {
        const std::string_view line = reader.NextLine();
        reader.AtEnd();
        ASSERT_EQ(line.substr(0, line.find('.')), std::to_string(i));
    }
}

// NextLineContaining against NextLine and a plain search, over logs whose lines cross the 128 KiB
// read buffers in every way: a line, its CR LF, the text searched for.
TEST(TextReader, NextLineContainingIsNextLineWithASearch) {
    std::mt19937 random(3);
    const std::string pieces[] = {"<tag>",
                                  "<TAG>",
                                  "<ta",
                                  "g>",
                                  "x",
                                  "\r\n",
                                  "\n",
                                  "\r",
                                  "\xE9",
                                  "      ",
                                  std::string(3000, 'y'),
                                  "\r\n<tag>\r\n"};
    for (int round = 0; round < 24; ++round) {
        std::string bytes;
        const std::size_t size = 120 * 1024 + random() % (300 * 1024);
        const bool plain = round % 3 != 0; // without CR alone or a high byte, read in place
        while (bytes.size() < size) {
            const std::string& piece = pieces[random() % std::size(pieces)];
            if (plain && (piece == "\r" || piece == "\xE9")) continue;
            bytes += piece;
        }
        // A match, and a CR LF, straddling the first buffer end now and then.
        if (round % 4 == 1) bytes.replace(128 * 1024 - 3, 5, "<tag>");
        if (round % 4 == 2) bytes.replace(128 * 1024 - 1, 2, "\r\n");
        const std::size_t chunk = round % 2 ? 1 << 20 : 4093;

        const auto lower = TextReader::LetterCase::Lower;
        MemorySource allSource(bytes, chunk);
        TextReader all(allSource, Cp("1252"), lower);
        std::vector<std::string> lines;
        while (!all.AtEnd())
            lines.emplace_back(all.NextLine());

        MemorySource source(bytes, chunk);
        TextReader reader(source, Cp("1252"), lower);
        ExpectReadAlong(
            reader, lines, [&] { return random() % 4 == 0; }, "round " + std::to_string(round));
        std::string_view line = "left alone?";
        EXPECT_EQ(reader.NextLineContaining("<tag>", line), npos) << "at the end";
        EXPECT_EQ(line, "");
    }
}

// Lines that mix ASCII with characters of one and two bytes, valid or not, against each line
// decoded on its own by the platform's converter and lower-cased: found by NextLineContaining or
// read by NextLine, on both sides of the read buffers' ends.
TEST(TextReader, MixedLinesReadAsTheConverterDecodesThem) {
    // Every character of a range, after `lead` when that is not empty.
    const auto run = [](std::string_view lead, int first, int last) {
        std::string characters;
        for (int c = first; c <= last; ++c)
            characters += std::string(lead) + static_cast<char>(c);
        return characters;
    };
    const std::vector<std::string> common = {
        "<tag>", "<TAG>", "x", "Ab", "\r\n", "\n", std::string(40, 'y')};
    const std::pair<const char*, std::vector<std::string>> codePages[] = {
        // Accented letters, and bytes the code page leaves undefined.
        {"1252", {"\xE9", "\xC9t\xE9", run("", 0xA0, 0xFF), "\x81", "\x8D\x90"}},
        // Katakana (some with a capital letter for their second byte), hiragana, half-width
        // katakana, a first byte alone or before a byte that cannot follow it, undefined bytes.
        {"932",
         {"\x83T\x83\x81", run("\x83", 0x40, 0x7E), run("\x82", 0x9F, 0xF1), run("", 0xA1, 0xDF),
          "\x83", "\x83\r", "\x81<", "\x80\xA0\xFD"}},
        // Valid and broken sequences.
        {"65001", {"\xC3\xA9", "\xE3\x82\xA2", "\xE3\x82", "\xC3", "\xFF"}},
        // Letters followed by combining accents: some platforms join them into one character.
        {"1258", {"A\xEC", "a\xCC", "\xEC", "\xC3"}},
    };
    std::mt19937 random(17);
    for (const auto& [name, own] : codePages) {
        std::vector<std::string> pieces = common;
        pieces.insert(pieces.end(), own.begin(), own.end());
        for (int round = 0; round < 6; ++round) {
            std::string bytes;
            while (bytes.size() < 300 * 1024) {
                // Whole buffers without a high byte now and then.
                const std::size_t piece = random() % pieces.size();
                if (round % 2 && piece >= common.size() && bytes.size() % 3 == 0) continue;
                bytes += pieces[piece];
            }
            std::vector<std::string> expected;
            const auto converter = Cp(name).MakeDecoder();
            for (std::size_t start = 0; start < bytes.size();) {
                std::size_t end = bytes.find('\n', start);
                if (end == std::string::npos) end = bytes.size();
                std::string raw;
                for (std::size_t i = start; i < end; ++i)
                    if (bytes[i] != '\r') raw += bytes[i];
                std::string line;
                converter->Convert(raw, line);
                expected.push_back(LowerAscii(line));
                start = end + 1;
            }

            MemorySource source(bytes, round < 3 ? 1 << 20 : 5003);
            TextReader reader(source, Cp(name), TextReader::LetterCase::Lower);
            ExpectReadAlong(
                reader, expected, [&] { return round % 3 == 0; }, name);
        }
    }
}

TEST(TextReader, LinesUpToTheLimitAndNoLonger) {
    constexpr std::size_t limit = 128 * 1024;
    for (const std::size_t length : {limit - 1, limit, limit + 1, 3 * limit}) {
        // Spanning reads, and in the middle of the text.
        const std::string bytes = "a\n" + std::string(length, 'x') + "\nb\n";
        MemorySource source(bytes, 5000);
        TextReader reader(source, Cp("1252"), TextReader::LetterCase::AsIs, limit);
        EXPECT_EQ(reader.NextLine(), "a");
        if (length <= limit) {
            EXPECT_EQ(reader.NextLine().size(), length);
            EXPECT_EQ(reader.NextLine(), "b");
        } else {
            EXPECT_THROW(reader.NextLine(), LineTooLong) << length;
        }
    }
    // A limit below the read buffer's size is raised to it.
    MemorySource source(std::string(100000, 'y'), 5000);
    TextReader reader(source, Cp("1252"), TextReader::LetterCase::AsIs, 10);
    EXPECT_EQ(reader.MaxLineBytes(), limit);
    EXPECT_EQ(reader.NextLine().size(), 100000u);
}

TEST(TextReader, ReadFailurePassesOnAsIoError) {
    MemorySource source("line one\r\nline two\r\n", 100, 10);
    TextReader reader(source, Cp("1252"));
    EXPECT_EQ(reader.NextLine(), "line one");
    EXPECT_THROW(reader.AtEnd(), IoError);
}

TEST(CodePages, DoubleByteCharactersSurviveARoundTrip) {
    // Katakana A is 0x83 0x41 in cp932; its second byte is the letter 'A' in ASCII.
    const std::string sjis = "\x83\x41\x83\x43 A";
    const Lines lines = ReadAll(sjis + "\r\n", 1, "932");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "\xE3\x82\xA2\xE3\x82\xA4 A"); // U+30A2 U+30A4

    MemorySink sink;
    TextWriter writer(sink, Cp("932"));
    writer.WriteLine(lines[0]);
    writer.Flush();
    EXPECT_EQ(sink.Bytes(), sjis + "\r\n");
}

TEST(CodePages, SingleByteRoundTripAndUnrepresentableCharacters) {
    const Lines lines = ReadAll("Caf\xE9 \x80\r\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "Caf\xC3\xA9 \xE2\x82\xAC"); // e-acute, euro sign

    MemorySink sink;
    TextWriter writer(sink, Cp("1252"));
    writer.WriteLine(lines[0]);
    writer.WriteLine("\xE3\x82\xA2-\xC4\x81"); // katakana A and a-macron: not in cp1252
    writer.Flush();
    EXPECT_EQ(sink.Bytes(), "Caf\xE9 \x80\r\n?-?\r\n");
}

TEST(CodePages, NamesAndTheSystemCodePage) {
    EXPECT_TRUE(CodePage::FromName("1252").has_value());
    EXPECT_TRUE(CodePage::FromName("932").has_value());
    EXPECT_FALSE(CodePage::FromName("").has_value());
    EXPECT_FALSE(CodePage::FromName("no-such-charset").has_value());
    EXPECT_FALSE(CodePage::FromName("99999").has_value());
    // Logs are scanned for ASCII tags and line ends: only where those bytes stand for themselves.
#ifdef _WIN32
    const std::vector<const char*> compatible{"1252", "932", "65001"};
    const std::vector<const char*> incompatible{"37", "65000"}; // EBCDIC, UTF-7
#else
    const std::vector<const char*> compatible{"1252", "932", "SHIFT_JIS", "EUC-JP", "UTF-8"};
    const std::vector<const char*> incompatible{"UTF-16", "UTF-32", "IBM037", "UTF-7"};
#endif
    for (const char* name : compatible)
        EXPECT_TRUE(IsAsciiCompatible(Cp(name))) << name;
    for (const char* name : incompatible)
        EXPECT_FALSE(IsAsciiCompatible(Cp(name))) << name;
    // Whatever the system's code page is, it converts.
    MemorySink sink;
    TextWriter writer(sink, CodePage::System());
    writer.WriteLine("ascii");
    writer.Flush();
    EXPECT_EQ(sink.Bytes(), "ascii\r\n");
}

TEST(TextWriter, LinesOfAnyLengthInAnyMix) {
    // Short and long lines (beyond the buffer's size), ASCII and not, in an ASCII-compatible code
    // page and in one that is not.
    std::mt19937 random(5);
    for (const char* codePage : {"1252", "932"}) {
        MemorySink sink;
        TextWriter writer(sink, Cp(codePage));
        std::string expected;
        for (int line = 0; line < 60; ++line) {
            const std::size_t size = line % 10 == 9 ? 70000 + random() % 100000 : random() % 300;
            const std::string half(size / 2, static_cast<char>('a' + line % 26));
            std::string text = half + half;
            std::string bytes = text;
            if (line % 3 == 1) {
                // Katakana A in UTF-8 and in cp932; cp1252 has no such character.
                text = half + "\xE3\x82\xA2" + half;
                bytes = half + (std::string(codePage) == "932" ? "\x83\x41" : "?") + half;
            }
            writer.WriteLine(text);
            expected += bytes + "\r\n";
        }
        writer.Flush();
        EXPECT_EQ(sink.Bytes(), expected) << codePage;
    }
}

TEST(TextWriter, EveryLineEndsInCrLfAndFailuresPassOn) {
    MemorySink sink;
    TextWriter writer(sink, Cp("1252"));
    writer.WriteLine("a");
    writer.WriteLine("");
    EXPECT_EQ(sink.Bytes(), "") << "buffered until flushed";
    writer.Flush();
    EXPECT_EQ(sink.Bytes(), "a\r\n\r\n");

    MemorySink full(1000);
    TextWriter failing(full, Cp("1252"));
    EXPECT_THROW(
        {
            for (int i = 0; i < 100000; ++i)
                failing.WriteLine("0123456789");
            failing.Flush();
        },
        IoError);
}

} // namespace
} // namespace nordavel
