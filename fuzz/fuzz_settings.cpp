// Arbitrary text as the settings file. LoadSettings reads it for a fake screen, SaveSettings
// writes what it read back into the same text, and loading that again must give the same
// settings; a window that fits its monitor's work area must end inside it. Beside that, every
// integer must read back as it is written, in each form the file may hold it.
//
// The input is the INI text up to its first NUL byte; the bytes after it describe the machine
// (monitors, window size, locale, the state before loading, failures).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fuzzer/FuzzedDataProvider.h>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "SettingsFakes.h"
#include "conversion/CsvOptions.h"
#include "desktop/Placement.h"
#include "desktop/Settings.h"
#include "desktop/SettingsValues.h"

namespace {

using namespace nordavel;
using test::FakeScreen;
using test::IniStore;

// Stops with the reason, which libFuzzer shows above the crash report.
void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "settings property violated: %s\n", what);
    std::abort();
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// The monitors, the window and what the system tells, as the bytes after the text describe them.
struct Machine {
    FakeScreen screen;
    CsvOptions options;
    FontSettings font;
    bool fileExists = true;
    bool createFails = false;
    int writesBeforeFailure = -1;
};

Machine MachineFrom(FuzzedDataProvider& input) {
    Machine machine;
    FakeScreen& screen = machine.screen;
    // Side by side from left to right, as the virtual screen lays them out.
    const int monitors = input.ConsumeIntegralInRange(1, 3);
    screen.workAreas.clear();
    int left = input.ConsumeIntegralInRange(-8000, 0);
    for (int i = 0; i < monitors; ++i) {
        Rect area;
        area.left = left + input.ConsumeIntegralInRange(0, 200);
        area.top = input.ConsumeIntegralInRange(-4000, 4000);
        area.right = area.left + input.ConsumeIntegralInRange(1, 8000);
        area.bottom = area.top + input.ConsumeIntegralInRange(1, 8000);
        screen.workAreas.push_back(area);
        left = area.right;
    }
    screen.current = input.ConsumeIntegralInRange<std::size_t>(0, screen.workAreas.size() - 1);
    screen.window.width = input.ConsumeIntegralInRange(0, 9000);
    screen.window.height = input.ConsumeIntegralInRange(0, 9000);
    screen.locale = input.ConsumeBool() ? kJapaneseLocale : input.ConsumeIntegral<std::uint32_t>();
    machine.options = CsvOptions{input.ConsumeBool(), input.ConsumeBool(), input.ConsumeBool(),
                                 input.ConsumeBool(), input.ConsumeBool()};
    machine.font.charset = input.ConsumeIntegral<std::uint8_t>();
    machine.font.size = input.ConsumeIntegral<std::int32_t>();
    // What the program starts with, or what an earlier load read.
    machine.font.name = input.PickValueInArray({"Tahoma", "Nordic Sans", "", "Mono 2"});
    machine.fileExists = input.ConsumeBool();
    machine.createFails = input.ConsumeBool();
    machine.writesBeforeFailure = input.ConsumeBool() ? input.ConsumeIntegralInRange(0, 11) : -1;
    return machine;
}

// The work area the load fitted the window into: of the monitor it asked for, or its own.
Rect AreaUsed(const FakeScreen& screen) {
    return screen.askedAbout.empty() ? screen.workAreas[screen.current] : screen.areaThere;
}

// A folder as Windows resolves it: blanks and "\" at the end do not count, except the "\" of a
// drive's root. The profile functions drop blanks around a value and WithoutTrailingBackslash drops
// one "\", so a folder may come back spelt shorter ("D:\gps \\" as "D:\gps"), but never as another
// one.
std::string_view FolderAsResolved(std::string_view folder) {
    while (!folder.empty() &&
           (IsBlank(folder.back()) ||
            (folder.size() >= 2 && folder.back() == '\\' && folder[folder.size() - 2] != ':')))
        folder.remove_suffix(1);
    return folder;
}

// Every value reads back as written, in each form the file may hold it.
void CheckIntegerText(std::int32_t value) {
    Check(ParseInteger(IntegerText(value)) == value, "ParseInteger(IntegerText(v)) == v");
    char hex[32];
    std::snprintf(hex, sizeof hex, " \t0x%X", static_cast<unsigned>(value));
    Check(ParseInteger(hex) == value, "0x and blanks in front");
    std::snprintf(hex, sizeof hex, "$%08x", static_cast<unsigned>(value));
    Check(ParseInteger(hex) == value, "$ and leading zeros");
    Check(BooleanOr(BooleanText(value & 1), !(value & 1)) == ((value & 1) != 0),
          "booleans read back");
}

// Loads `store` over `current`; what must hold whatever the file says.
std::optional<WindowSettings> LoadAndCheck(IniStore& store, FakeScreen& screen,
                                           const WindowSettings& current) {
    const bool existed = store.exists;
    const std::optional<WindowSettings> loaded = LoadSettings(store, current, screen.Context());
    if (!existed && store.createFails) {
        Check(!loaded, "a file that cannot be created ends the load");
        Check(screen.askedAbout.empty(), "nothing is applied before the failure");
        return loaded;
    }
    Check(loaded && store.exists, "a load that nothing fails succeeds, and the file exists");
    Check(screen.askedAbout.size() <= 1,
          "the monitor of the stored position is asked for once at most");
    const Rect area = AreaUsed(screen);
    const Point at = loaded->mainPosition;
    if (screen.window.width <= area.Width())
        Check(at.x >= area.left && at.x + screen.window.width <= area.right,
              "inside the work area across");
    if (screen.window.height <= area.Height())
        Check(at.y >= area.top && at.y + screen.window.height <= area.bottom,
              "inside the work area down");
    return loaded;
}

constexpr std::string_view kKeys[] = {
    "Option/DataPath", "Option/MainTop", "Option/MainLeft", "Font/Charset", "Font/FontName",
    "Font/FontSize",   "CSVopt/Index",   "CSVopt/DateTime", "CSVopt/SNEW",  "CSVopt/RCR",
    "CSVopt/VALID",    "Output/Format",  "Output/TimeZone"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = bytes.find('\0');
    const std::string_view text = bytes.substr(0, nul);
    FuzzedDataProvider rest(data + text.size() + (nul == std::string_view::npos ? 0 : 1),
                            size - text.size() - (nul == std::string_view::npos ? 0 : 1));
    const Machine machine = MachineFrom(rest);
    CheckIntegerText(rest.ConsumeIntegral<std::int32_t>());

    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        const std::string folder = WithoutTrailingBackslash(line);
        Check(folder == line ||
                  (folder.size() + 1 == line.size() && !folder.empty() &&
                   line.starts_with(folder) && line.back() == '\\' && folder.back() != ':'),
              "WithoutTrailingBackslash drops one trailing \\ at most, never one after a :");
        start = end + 1;
    }

    IniStore store(text);
    store.exists = machine.fileExists;
    store.createFails = machine.createFails;
    FakeScreen screen = machine.screen;
    // Before loading: wherever the system put the window.
    const WindowSettings before{
        "", Point{12345, 12345}, machine.font, machine.options, OutputFormat::Gpx, "Asia/Tokyo"};
    const std::optional<WindowSettings> first = LoadAndCheck(store, screen, before);
    if (!first) return 0;

    // Saved into the same file, as the window does when it closes.
    store.writesBeforeFailure = machine.writesBeforeFailure;
    SaveSettings(store, *first);
    const std::size_t writes = machine.writesBeforeFailure < 0
                                   ? std::size(kKeys)
                                   : static_cast<std::size_t>(machine.writesBeforeFailure);
    Check(store.written.size() == std::min(writes, std::size(kKeys)),
          "every key written; the first failure ends the save");
    for (std::size_t i = 0; i < store.written.size(); ++i)
        Check(store.written[i].starts_with(std::string(kKeys[i]) + "="), "the keys in order");
    if (store.written.size() < std::size(kKeys)) {
        Check(!store.flushed, "a failed save is not flushed");
        return 0;
    }
    Check(store.flushed, "a complete save is flushed");

    // Loaded again from the text written, over windows that start out different: the same
    // settings come back.
    IniStore reread(store.Text());
    FakeScreen again = machine.screen;
    again.current = again.workAreas.size() - 1 - again.current;
    again.locale = again.locale == kJapaneseLocale ? 1033 : again.locale;
    const WindowSettings different{
        first->dialogFolder + "x",
        Point{first->mainPosition.x ^ 1, first->mainPosition.y ^ 1},
        FontSettings{static_cast<std::uint8_t>(first->font.charset + 1), first->font.name + "x",
                     first->font.size ^ 1},
        CsvOptions{!first->csvOptions.index, !first->csvOptions.rcr, !first->csvOptions.dateTime,
                   !first->csvOptions.valid, !first->csvOptions.snew},
        first->outputFormat == OutputFormat::Csv ? OutputFormat::Gpx : OutputFormat::Csv,
        first->timeZone + "x"};
    const std::optional<WindowSettings> second = LoadAndCheck(reread, again, different);
    Check(second.has_value(), "the saved file loads");
    Check(FolderAsResolved(second->dialogFolder) == FolderAsResolved(first->dialogFolder),
          "the dialog's folder comes back");
    Check(second->font == first->font, "the font comes back");
    Check(second->csvOptions == first->csvOptions, "the options come back");
    Check(second->outputFormat == first->outputFormat && second->timeZone == first->timeZone,
          "the output and its zone come back");
    // The position comes back when the window fits where it was put: a window larger than its
    // monitor's work area hangs over an edge, where another monitor may be nearer.
    const WindowSize window = machine.screen.window;
    const Rect area = AreaUsed(screen);
    if (window.width <= area.Width() && window.height <= area.Height())
        Check(second->mainPosition == first->mainPosition, "the window's position comes back");
    return 0;
}
