// Settings: values, the keys read and written, where the settings file lies.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>

#include "SettingsFakes.h"
#include "desktop/IniLocation.h"
#include "desktop/Placement.h"
#include "desktop/Settings.h"
#include "desktop/SettingsValues.h"
#include "desktop/ZoneChoice.h"

namespace nordavel {
namespace {

using test::FakeScreen;
using test::IniStore;

TEST(SettingsValues, Integers) {
    EXPECT_EQ(ParseInteger("16"), 16);
    EXPECT_EQ(ParseInteger("-16"), -16);
    EXPECT_EQ(ParseInteger("+7"), 7);
    EXPECT_EQ(ParseInteger("  42"), 42);
    EXPECT_EQ(ParseInteger("0x10"), 16);
    EXPECT_EQ(ParseInteger("0X1f"), 31);
    EXPECT_EQ(ParseInteger("$10"), 16);
    EXPECT_EQ(ParseInteger("0xFFFFFFFF"), -1);
    EXPECT_EQ(ParseInteger("0x80000000"), -2147483647 - 1);
    EXPECT_EQ(ParseInteger("2147483647"), 2147483647);
    EXPECT_EQ(ParseInteger("-2147483648"), -2147483647 - 1);
    for (const char* bad : {"", " ", "true", "12a", "0x", "$", "0x100000000", "2147483648",
                            "-2147483649", "1.5", "--1", "0x-1", "-$10"})
        EXPECT_FALSE(ParseInteger(bad).has_value()) << bad;
    EXPECT_EQ(IntegerOr("oops", 7), 7);
}

TEST(SettingsValues, Booleans) {
    EXPECT_TRUE(BooleanOr("1", false));
    EXPECT_TRUE(BooleanOr("2", false));
    EXPECT_TRUE(BooleanOr("-1", false));
    EXPECT_FALSE(BooleanOr("0", true));
    EXPECT_FALSE(BooleanOr("0x0", true));
    EXPECT_TRUE(BooleanOr("true", true)) << "not an integer: the default";
    EXPECT_FALSE(BooleanOr("true", false));
    EXPECT_EQ(BooleanText(true), "1");
    EXPECT_EQ(BooleanText(false), "0");
}

TEST(SettingsValues, FoldersAndFontSizes) {
    EXPECT_EQ(WithoutTrailingBackslash("C:\\Tools\\"), "C:\\Tools");
    EXPECT_EQ(WithoutTrailingBackslash("C:\\"), "C:\\");
    EXPECT_EQ(WithoutTrailingBackslash("C:\\Tools"), "C:\\Tools");
    EXPECT_EQ(WithoutTrailingBackslash(""), "");
    EXPECT_EQ(WithoutTrailingBackslash("\\\\server\\share\\x\\"), "\\\\server\\share\\x");
    EXPECT_EQ(ScreenFontSize(8, 96), 8);
    EXPECT_EQ(ScreenFontSize(8, 120), 6);
    EXPECT_EQ(ScreenFontSize(9, 144), 6);
    EXPECT_EQ(ScreenFontSize(5, 192), 3) << "halves round away from zero";
    EXPECT_EQ(ScreenFontSize(-5, 192), -3);
    EXPECT_EQ(ScreenFontSize(7, 0), -1);
    EXPECT_EQ(ScreenFontSize(2147483647, 48), -1);
}

// What the windows hold before any load.
const WindowSettings kStart{"",           Point{10, 20},     kStartFontSettings,
                            CsvOptions{}, OutputFormat::Csv, ""};

TEST(Settings, NoFileGivesTheBuiltInSettings) {
    IniStore store;
    store.exists = false;
    FakeScreen screen;
    const std::optional<WindowSettings> loaded = LoadSettings(store, kStart, screen.Context());
    ASSERT_TRUE(loaded.has_value());
    EXPECT_TRUE(store.exists) << "created";
    EXPECT_EQ(loaded->dialogFolder, "C:\\Tools");
    EXPECT_EQ(loaded->mainPosition, (Point{403, 362})) << "centred";
    EXPECT_TRUE(screen.askedAbout.empty());
    EXPECT_EQ(loaded->font, kStartFontSettings);
    EXPECT_TRUE(loaded->csvOptions.index);
    EXPECT_FALSE(loaded->csvOptions.rcr);

    // Saving fills the file in the order of the keys.
    SaveSettings(store, *loaded);
    EXPECT_EQ(store.written,
              (std::vector<std::string>{
                  "Option/DataPath=C:\\Tools", "Option/MainTop=362", "Option/MainLeft=403",
                  "Font/Charset=0", "Font/FontName=Tahoma", "Font/FontSize=8", "CSVopt/Index=1",
                  "CSVopt/DateTime=1", "CSVopt/SNEW=1", "CSVopt/RCR=0", "CSVopt/VALID=0",
                  "Output/Format=csv", "Output/TimeZone="}));
    EXPECT_TRUE(store.flushed);
}

TEST(Settings, StoredValuesAreRead) {
    IniStore store("[Option]\nDataPath=D:\\gps\\\nMainTop=0x10\nMainLeft=$20\n"
                   "[Font]\nCharset=300\nFontName=Arial\nFontSize=8\n"
                   "[CSVopt]\nIndex=0\nRCR=2\nVALID=true\nSNEW=-1\n"
                   "[Output]\nFormat=GPX\nTimeZone=us/eastern\n");
    FakeScreen screen;
    WindowSettings current = kStart; // the boxes as the user left them
    current.csvOptions.dateTime = false;
    current.csvOptions.valid = true;
    std::optional<WindowSettings> loaded = LoadSettings(store, current, screen.Context());
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->dialogFolder, "D:\\gps");
    EXPECT_EQ(screen.askedAbout, (std::vector<Rect>{{32, 16, 32 + 474, 16 + 260}}))
        << "the monitor there";
    EXPECT_EQ(loaded->mainPosition, (Point{32, 16}));
    EXPECT_EQ(loaded->font, (FontSettings{44, "Arial", 8})) << "the charset's low 8 bits";
    EXPECT_FALSE(loaded->csvOptions.index);
    EXPECT_TRUE(loaded->csvOptions.rcr);
    EXPECT_TRUE(loaded->csvOptions.valid) << "not an integer: the box keeps its state";
    EXPECT_TRUE(loaded->csvOptions.snew);
    EXPECT_FALSE(loaded->csvOptions.dateTime) << "missing: the box keeps its state";

    EXPECT_EQ(loaded->outputFormat, OutputFormat::Gpx);
    EXPECT_EQ(loaded->timeZone, "America/New_York") << "an alias in any case is its zone";

    // Saved back: the charset as kept, the zone by its own name.
    SaveSettings(store, *loaded);
    EXPECT_EQ(store.written.at(3), "Font/Charset=44");
    EXPECT_EQ(store.written.at(5), "Font/FontSize=8");
    EXPECT_EQ(store.written.back(), "Output/TimeZone=America/New_York");

    // What is not understood is the default: CSV and the computer's zone.
    IniStore odd("[Output]\nFormat=kml\nTimeZone=Mars/Base\n");
    loaded = LoadSettings(odd, kStart, screen.Context());
    EXPECT_EQ(loaded->outputFormat, OutputFormat::Csv);
    EXPECT_EQ(loaded->timeZone, "");
}

TEST(Settings, FontDefaultsFollowTheLocaleAndTheLastLoad) {
    IniStore store;
    FakeScreen screen;
    WindowSettings current = kStart;
    current.font = FontSettings{0, "Arial", 12}; // what an earlier load set
    EXPECT_EQ(LoadSettings(store, current, screen.Context())->font, current.font)
        << "missing keys keep the font";
    screen.locale = kJapaneseLocale;
    EXPECT_EQ(LoadSettings(store, current, screen.Context())->font, kJapaneseFontDefaults);
    // An empty value is read as empty text, not as the default.
    IniStore emptyName("[Font]\nFontName=\n");
    EXPECT_EQ(LoadSettings(emptyName, current, screen.Context())->font.name, "");
}

TEST(Settings, FailuresEndQuietly) {
    IniStore store("[Option]\nMainTop=5\nMainLeft=5\n");
    store.exists = false;
    store.createFails = true;
    FakeScreen screen;
    EXPECT_FALSE(LoadSettings(store, kStart, screen.Context()).has_value()) << "nothing to apply";
    EXPECT_TRUE(screen.askedAbout.empty());

    IniStore readOnly;
    readOnly.writesBeforeFailure = 2;
    SaveSettings(readOnly, kStart);
    EXPECT_EQ(readOnly.written.size(), 2u) << "the first failing write ends the save";
    EXPECT_FALSE(readOnly.flushed);
}

// The system as the settings location sees it.
class FakeSystem : public IniLocationSystem {
public:
    std::string executable = "C:\\Tools\\Nordavel.exe";
    std::vector<std::string> parameters;
    std::vector<std::string> writableFolders{"C:\\Tools\\"};
    std::map<std::string, std::string> environment{{"APPDATA", "C:\\Users\\u\\AppData"}};
    std::vector<std::string> folders{"C:\\Users\\u\\AppData"};
    bool creationFails = false;
    std::map<std::string, std::int64_t> files; // path -> time
    bool copyFails = false;
    mutable std::vector<std::string> probed;
    std::vector<std::string> copies;

    std::string ExecutablePath() const override { return executable; }
    std::vector<std::string> Parameters() const override { return parameters; }
    std::string AbsolutePath(const std::string& relative) const override {
        return "D:\\work\\" + relative;
    }
    bool ProbeWritable(const std::string& folder) const override {
        probed.push_back(folder);
        return std::find(writableFolders.begin(), writableFolders.end(), folder) !=
               writableFolders.end();
    }
    std::string EnvironmentVariable(const std::string& name) const override {
        const auto found = environment.find(name);
        return found == environment.end() ? "" : found->second;
    }
    bool FolderExists(const std::string& folder) const override {
        return std::find(folders.begin(), folders.end(), folder) != folders.end();
    }
    bool CreateFolders(const std::string& folder) const override {
        if (creationFails) return false;
        const_cast<FakeSystem*>(this)->folders.push_back(folder);
        return true;
    }
    bool FileExists(const std::string& path) const override { return files.count(path) != 0; }
    std::int64_t FileTime(const std::string& path) const override {
        const auto found = files.find(path);
        return found == files.end() ? 0 : found->second;
    }
    bool CopyOver(const std::string& from, const std::string& to) const override {
        if (copyFails) return false;
        auto* self = const_cast<FakeSystem*>(this);
        self->files[to] = files.at(from);
        self->copies.push_back(from + " -> " + to);
        return true;
    }
};

// The time zone box: the computer's zone by its Windows name, then every zone by part of its name.
TEST(ZoneChoice, ComputerZoneFirstThenZonesByName) {
    const ZoneChoice berlin("W. Europe Standard Time");
    EXPECT_EQ(berlin.TextOf(""), "Europe/Berlin (this computer)");
    EXPECT_EQ(berlin.TextOf("Asia/Tokyo"), "Asia/Tokyo");
    EXPECT_EQ(berlin.ZoneOf("").Name(), "Europe/Berlin");
    EXPECT_EQ(berlin.ZoneOf("Mars/Base").Name(), "Europe/Berlin") << "a zone no longer known";
    EXPECT_EQ(ZoneChoice("Nowhere Standard Time").ZoneOf("").Name(), "Etc/UTC");
    const std::pair<std::string, std::optional<std::string>> kept[] = {
        {"", ""},
        {" europe/berlin (THIS computer) ", ""},
        {"asia/TOKYO", "Asia/Tokyo"},
        {"US/Eastern", "America/New_York"},
        {"Tokyo", std::nullopt},
        {"Europe/Berlin (x)", {}}};
    for (const auto& [text, name] : kept)
        EXPECT_EQ(berlin.KeptOf(text), name) << text;
    EXPECT_EQ(berlin.Suggestions("").front(), "Europe/Berlin (this computer)");
    EXPECT_GT(berlin.Suggestions("").size(), 50u);
    EXPECT_EQ(berlin.Suggestions("tokyo"), (std::vector<std::string>{"Asia/Tokyo"}));
    EXPECT_EQ(berlin.Suggestions("COMPUTER").size(), 1u);
}

TEST(IniLocation, WhichFileIsChosen) {
    FakeSystem system;
    EXPECT_EQ(LocateIniFile(system), "C:\\Tools\\Nordavel.ini");
    EXPECT_EQ(system.probed, (std::vector<std::string>{"C:\\Tools\\"}));

    system.parameters = {"a.kml", "x.ini.bak", "NAME.INI", "other.ini"};
    EXPECT_EQ(ChosenIniFile(system), "C:\\Tools\\NAME.INI") << "the first, its case kept";
    system.parameters = {"sub\\x.ini"};
    EXPECT_EQ(ChosenIniFile(system), "D:\\work\\sub\\x.ini") << "against the working folder";
    system.parameters = {"D:x.ini"};
    EXPECT_EQ(ChosenIniFile(system), "D:\\work\\D:x.ini");
    system.parameters = {"a.ini.ini"};
    EXPECT_EQ(ChosenIniFile(system), "C:\\Tools\\a.ini.ini");
    // "/" separates folders too: the folder probed is the file's own.
    system.parameters = {"sub/x.ini"};
    EXPECT_EQ(ChosenIniFile(system), "D:\\work\\sub/x.ini");
    system.parameters = {"E:/gps.v2/mine.ini"};
    system.probed.clear();
    LocateIniFile(system);
    EXPECT_EQ(system.probed, (std::vector<std::string>{"D:\\work\\E:/gps.v2/"}));
}

TEST(IniLocation, UnwritableFolderFallsBackToThePerUserCopy) {
    FakeSystem system;
    system.writableFolders.clear();
    const std::string source = "C:\\Tools\\Nordavel.ini";
    const std::string copy = "C:\\Users\\u\\AppData\\Nordavel\\Nordavel.ini";

    // No copy yet: the source is copied; the folder is made.
    system.files[source] = 100;
    EXPECT_EQ(LocateIniFile(system), copy);
    EXPECT_EQ(system.copies.size(), 1u);
    EXPECT_TRUE(system.FolderExists("C:\\Users\\u\\AppData\\Nordavel\\"));

    // A copy as new or newer is used as it is; a newer source is copied again.
    system.files[copy] = 100;
    EXPECT_EQ(LocateIniFile(system), copy);
    system.files[copy] = 150;
    EXPECT_EQ(LocateIniFile(system), copy);
    EXPECT_EQ(system.copies.size(), 1u);
    system.files[source] = 151;
    EXPECT_EQ(LocateIniFile(system), copy);
    EXPECT_EQ(system.copies.size(), 2u);

    // No source file: nothing copied, the per-user path used all the same.
    system.parameters = {"E:\\missing\\other.ini"};
    EXPECT_EQ(LocateIniFile(system), "C:\\Users\\u\\AppData\\Nordavel\\other.ini");
    EXPECT_EQ(system.copies.size(), 2u);
}

TEST(IniLocation, Errors) {
    FakeSystem system;
    system.writableFolders.clear();
    system.creationFails = true;
    try {
        LocateIniFile(system);
        FAIL() << "no error";
    } catch (const IniLocationError& error) {
        EXPECT_STREQ(error.what(), "Cannot create : C:\\Users\\u\\AppData\\Nordavel\\");
    }

    FakeSystem copying;
    copying.writableFolders.clear();
    copying.copyFails = true;
    copying.files["C:\\Tools\\Nordavel.ini"] = 5;
    try {
        LocateIniFile(copying);
        FAIL() << "no error";
    } catch (const IniLocationError& error) {
        EXPECT_STREQ(error.what(), "Cannot Copy : C:\\Users\\u\\AppData\\Nordavel\\Nordavel.ini");
    }

    // No APPDATA: below the root of the current drive.
    FakeSystem bare;
    bare.writableFolders.clear();
    bare.environment.clear();
    EXPECT_EQ(LocateIniFile(bare), "\\Nordavel\\Nordavel.ini");
}

} // namespace
} // namespace nordavel
