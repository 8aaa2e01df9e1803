// Case mapping, trimming and the splitting of paths into folder, file and extension.
#include <gtest/gtest.h>

#include "text/TextUtil.h"

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
    EXPECT_EQ(ExtractFileName("walk.kml", kWin), "walk.kml");
    EXPECT_EQ(ExtractFileExt("D:\\gps.2023\\walk", kWin), "");
    EXPECT_EQ(ExtractFileExt("D:\\gps\\walk.csv.kml", kWin), ".kml");
    EXPECT_EQ(ExtractFileExt("a/b.c", kWin), ".c") << "'/' is no delimiter there";
    EXPECT_EQ(ChangeFileExt("D:\\gps\\Track.KML", ".csv", kWin), "D:\\gps\\Track.csv");
    EXPECT_EQ(ChangeFileExt("D:\\gps.x\\track", ".csv", kWin), "D:\\gps.x\\track.csv");
}

TEST(TextUtil, PosixPathParts) {
    EXPECT_EQ(ExtractFilePath("/gps/walk.kml", kPosix), "/gps/");
    EXPECT_EQ(ExtractFileName("/gps/walk.kml", kPosix), "walk.kml");
    EXPECT_EQ(ExtractFileName("D:\\gps\\walk.kml", kPosix), "D:\\gps\\walk.kml");
    EXPECT_EQ(ExtractFileExt("/gps.2023/walk", kPosix), "");
    EXPECT_EQ(ChangeFileExt("/gps/.hidden", ".csv", kPosix), "/gps/.csv");
}

TEST(TextUtil, CharacterCount) {
    EXPECT_EQ(CharacterCount(""), 0u);
    EXPECT_EQ(CharacterCount("abc"), 3u);
    EXPECT_EQ(CharacterCount("\xE3\x82\xA2\xC3\xA9z"), 3u);
}

} // namespace
} // namespace nordavel
