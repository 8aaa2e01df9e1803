// Texts of the desktop program: caption, title, error box, command line, dialog folder.
#include <gtest/gtest.h>

#include "desktop/AppText.h"
#include "desktop/IniLocation.h"

namespace nordavel {
namespace {

using Lines = std::vector<std::string>;

TEST(AppText, VersionText) {
    EXPECT_EQ(VersionText(0x00020003), "2.03");
    EXPECT_EQ(VersionText(0x0002000C), "2.12");
    EXPECT_EQ(VersionText(0x0001007B), "1.123");
    EXPECT_EQ(VersionText(0x000A0000), "10.00");
    EXPECT_EQ(VersionText(kNoFileVersion), "65535.65535");
    EXPECT_EQ(MainCaption(VersionText(0x00020003)), "Nordavel to CSV Ver2.03");
}

TEST(AppText, ApplicationTitleFromTheExecutablesName) {
    EXPECT_EQ(ApplicationTitle("C:\\Tools\\Nordavel.exe"), "Nordavel");
    EXPECT_EQ(ApplicationTitle("C:\\Tools\\NORDAVEL.EXE"), "Nordavel");
    EXPECT_EQ(ApplicationTitle("C:\\my.tools\\nordavel.v2.exe"), "nordavel")
        << "up to the first '.' of the file name, the first character as it is";
    EXPECT_EQ(ApplicationTitle("D:GPS.EXE"), "Gps");
}

TEST(AppText, ErrorBoxFullStop) {
    EXPECT_EQ(ErrorBoxText("Cannot create : C:\\x\\"), "Cannot create : C:\\x\\.");
    EXPECT_EQ(ErrorBoxText("Disk full"), "Disk full.");
    EXPECT_EQ(ErrorBoxText("Done."), "Done.");
    EXPECT_EQ(ErrorBoxText("Really!"), "Really!") << "'!' comes before '.'";
    EXPECT_EQ(ErrorBoxText("error 5"), "error 5.");
    EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(AppText, CommandLineParametersBecomeTheFileList) {
    EXPECT_EQ(FileListFromParameters({"D:\\a.kml", "D:\\set.INI", "walk.kml", "x.ini", "y.Ini"}),
              (Lines{"D:\\a.kml", "walk.kml"}));
    EXPECT_EQ(FileListFromParameters({"D:\\gps.2023\\walk", "a.ini.bak", "D:\\ini\\track"}),
              (Lines{"D:\\gps.2023\\walk", "a.ini.bak", "D:\\ini\\track"}));
    EXPECT_TRUE(IsIniFileName("a.ini.ini"));
    EXPECT_FALSE(IsIniFileName("D:\\x.ini\\a"));
}

} // namespace
} // namespace nordavel
