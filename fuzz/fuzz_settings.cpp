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

#include "conversion/CsvOptions.h"
#include "desktop/Placement.h"
#include "desktop/Settings.h"
#include "desktop/SettingsValues.h"

namespace {

using namespace nordavel;

// Stops with the reason, which libFuzzer shows above the crash report.
void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "settings property violated: %s\n", what);
    std::abort();
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

// An INI file the way the profile functions see it, small: "[section]" lines and "key=value"
// lines, names compared without letter case, blanks around names and values dropped, the first
// of two equal sections or keys counts. A write replaces the value where a read finds it, or
// adds the key at the end of its section, or the section at the end of the file.
class IniStore : public SettingsStore {
public:
    explicit IniStore(std::string_view text) {
        while (!text.empty()) {
            const std::size_t end = text.find('\n');
            lines_.emplace_back(text.substr(0, end));
            text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        }
    }

    bool exists = true;
    bool createFails = false;
    int writesBeforeFailure = -1; // negative: writes never fail
    bool flushed = false;
    std::vector<std::string> written; // "Section/Key=value", in order

    bool Exists() const override { return exists; }
    void CreateEmpty() override {
        Check(!exists, "CreateEmpty only when there is no file");
        if (createFails) throw std::runtime_error("cannot create");
        exists = true;
    }
    std::optional<std::string> Read(std::string_view section, std::string_view key) const override {
        const Place place = Find(section, key);
        if (place.keyLine == kNone) return std::nullopt;
        const std::string_view line = lines_[place.keyLine];
        return std::string(TrimBlanks(line.substr(line.find('=') + 1)));
    }
    void Write(std::string_view section, std::string_view key, std::string_view value) override {
        Check(exists, "no write before the file exists");
        if (writesBeforeFailure == 0) throw std::runtime_error("read-only");
        if (writesBeforeFailure > 0) --writesBeforeFailure;
        written.push_back(std::string(section) + "/" + std::string(key) + "=" + std::string(value));
        const std::string line = std::string(key) + "=" + std::string(value);
        const Place place = Find(section, key);
        if (place.keyLine != kNone) {
            lines_[place.keyLine] = line;
        } else if (place.sectionEnd != kNone) {
            lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(place.sectionEnd), line);
        } else {
            lines_.push_back("[" + std::string(section) + "]");
            lines_.push_back(line);
        }
    }
    void Flush() override { flushed = true; }

    std::string Text() const {
        std::string text;
        for (const std::string& line : lines_)
            text += line + "\r\n";
        return text;
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    struct Place {
        std::size_t keyLine = kNone;
        std::size_t sectionEnd = kNone; // the line after the section's last one
    };

    static std::optional<std::string_view> SectionName(std::string_view line) {
        line = TrimBlanks(line);
        if (line.empty() || line.front() != '[') return std::nullopt;
        line.remove_prefix(1);
        return TrimBlanks(line.substr(0, line.find(']')));
    }

    Place Find(std::string_view section, std::string_view key) const {
        Place place;
        std::size_t i = 0;
        while (i < lines_.size() &&
               !(SectionName(lines_[i]) && SameName(*SectionName(lines_[i]), section)))
            ++i;
        if (i == lines_.size()) return place;
        for (++i; i < lines_.size() && !SectionName(lines_[i]); ++i) {
            const std::string_view line = lines_[i];
            const std::size_t equals = line.find('=');
            if (TrimBlanks(line).starts_with(';') || equals == std::string_view::npos) continue;
            if (place.keyLine == kNone && SameName(TrimBlanks(line.substr(0, equals)), key))
                place.keyLine = i;
        }
        place.sectionEnd = i;
        return place;
    }

    std::vector<std::string> lines_;
};

// The monitors, the window and what the system tells, as the bytes after the text describe them.
struct Machine {
    std::vector<Rect> workAreas;
    std::size_t current = 0; // the monitor the main window is on before loading
    WindowSize window;
    std::uint32_t locale = 1033;
    CsvOptions options;
    FontSettings font;
    bool fileExists = true;
    bool createFails = false;
    int writesBeforeFailure = -1;
};

Machine MachineFrom(FuzzedDataProvider& input) {
    Machine machine;
    // Side by side from left to right, as the virtual screen lays them out.
    const int monitors = input.ConsumeIntegralInRange(1, 3);
    int left = input.ConsumeIntegralInRange(-8000, 0);
    for (int i = 0; i < monitors; ++i) {
        Rect area;
        area.left = left + input.ConsumeIntegralInRange(0, 200);
        area.top = input.ConsumeIntegralInRange(-4000, 4000);
        area.right = area.left + input.ConsumeIntegralInRange(1, 8000);
        area.bottom = area.top + input.ConsumeIntegralInRange(1, 8000);
        machine.workAreas.push_back(area);
        left = area.right;
    }
    machine.current = input.ConsumeIntegralInRange<std::size_t>(0, machine.workAreas.size() - 1);
    machine.window.width = input.ConsumeIntegralInRange(0, 9000);
    machine.window.height = input.ConsumeIntegralInRange(0, 9000);
    machine.locale = input.ConsumeBool() ? kJapaneseLocale : input.ConsumeIntegral<std::uint32_t>();
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

// The screen as a load sees it: the monitors the machine describes; records where the main
// window was moved to learn the work area there.
class FakeScreen {
public:
    explicit FakeScreen(const Machine& machine) : machine_(machine) {}

    std::vector<Point> movedTo;
    Rect areaThere;

    LoadContext Context() {
        return LoadContext{"C:\\Tools\\", machine_.window, machine_.locale,
                           machine_.workAreas[machine_.current],
                           [this](const Rect& window) {
                               return WorkAreaAt(Point{window.left, window.top});
                           }};
    }

private:
    Rect WorkAreaAt(Point topLeft) {
        movedTo.push_back(topLeft);
        // The monitor nearest to the point, counting steps across and down (the stored position
        // may lie anywhere in 32 bits); the first of equally near ones.
        auto distance = [&](const Rect& area) {
            const std::int64_t dx = topLeft.x < area.left ? std::int64_t{area.left} - topLeft.x
                                    : topLeft.x >= area.right
                                        ? std::int64_t{topLeft.x} - area.right + 1
                                        : 0;
            const std::int64_t dy = topLeft.y < area.top ? std::int64_t{area.top} - topLeft.y
                                    : topLeft.y >= area.bottom
                                        ? std::int64_t{topLeft.y} - area.bottom + 1
                                        : 0;
            return dx + dy;
        };
        areaThere = *std::min_element(
            machine_.workAreas.begin(), machine_.workAreas.end(),
            [&](const Rect& a, const Rect& b) { return distance(a) < distance(b); });
        return areaThere;
    }

    const Machine& machine_;
};

// A folder as Windows resolves it: blanks and "\" at the end do not count, except the "\" of a
// drive's root. The profile functions drop blanks around a value and DialogFolder drops one "\",
// so a folder may come back spelt shorter ("D:\gps \\" as "D:\gps"), but never as another one.
std::string_view FolderAsResolved(std::string_view folder) {
    while (!folder.empty() &&
           (IsBlank(folder.back()) ||
            (folder.size() >= 2 && folder.back() == '\\' && folder[folder.size() - 2] != ':')))
        folder.remove_suffix(1);
    return folder;
}

bool SameOptions(const CsvOptions& a, const CsvOptions& b) {
    return a.index == b.index && a.rcr == b.rcr && a.dateTime == b.dateTime && a.valid == b.valid &&
           a.snew == b.snew;
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
                                           const Machine& machine, const WindowSettings& current) {
    const bool existed = store.exists;
    const std::optional<WindowSettings> loaded = LoadSettings(store, current, screen.Context());
    if (!existed && store.createFails) {
        Check(!loaded, "a file that cannot be created ends the load");
        Check(screen.movedTo.empty(), "nothing is applied before the failure");
        return loaded;
    }
    Check(loaded && store.exists, "a load that nothing fails succeeds, and the file exists");
    Check(screen.movedTo.size() <= 1, "the monitor of the stored position is asked for once at most");
    const Rect area =
        screen.movedTo.empty() ? machine.workAreas[machine.current] : screen.areaThere;
    const Point at = loaded->mainPosition;
    if (machine.window.width <= area.Width())
        Check(at.x >= area.left && at.x + machine.window.width <= area.right,
              "inside the work area across");
    if (machine.window.height <= area.Height())
        Check(at.y >= area.top && at.y + machine.window.height <= area.bottom,
              "inside the work area down");
    return loaded;
}

constexpr std::string_view kKeys[] = {"Option/DataPath", "Option/MainTop",  "Option/MainLeft",
                                      "Font/Charset",    "Font/FontName",   "Font/FontSize",
                                      "CSVopt/Index",    "CSVopt/DateTime", "CSVopt/SNEW",
                                      "CSVopt/RCR",      "CSVopt/VALID"};

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
        const std::string folder = DialogFolder(line);
        Check(folder == line ||
                  (folder.size() + 1 == line.size() && !folder.empty() &&
                   line.starts_with(folder) && line.back() == '\\' && folder.back() != ':'),
              "DialogFolder drops one trailing \\ at most, never one after a :");
        start = end + 1;
    }

    IniStore store(text);
    store.exists = machine.fileExists;
    store.createFails = machine.createFails;
    FakeScreen screen(machine);
    // Before loading: wherever the system put the window.
    const WindowSettings before{"", Point{12345, 12345}, machine.font, machine.options};
    const std::optional<WindowSettings> first = LoadAndCheck(store, screen, machine, before);
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
    Machine other = machine;
    other.current = machine.workAreas.size() - 1 - machine.current;
    other.locale = machine.locale == kJapaneseLocale ? 1033 : machine.locale;
    FakeScreen again(other);
    const WindowSettings different{
        first->dialogFolder + "x", Point{first->mainPosition.x ^ 1, first->mainPosition.y ^ 1},
        FontSettings{static_cast<std::uint8_t>(first->font.charset + 1), first->font.Name + "x",
                     first->font.Size ^ 1},
        CsvOptions{!first->csvOptions.index, !first->csvOptions.rcr, !first->csvOptions.dateTime,
                   !first->csvOptions.valid, !first->csvOptions.snew}};
    const std::optional<WindowSettings> second = LoadAndCheck(reread, again, other, different);
    Check(second.has_value(), "the saved file loads");
    Check(FolderAsResolved(second->dialogFolder) == FolderAsResolved(first->dialogFolder),
          "the dialog's folder comes back");
    Check(second->font == first->font, "the font comes back");
    Check(SameOptions(second->csvOptions, first->csvOptions), "the options come back");
    // The position comes back when the window fits where it was put: a window larger than its
    // monitor's work area hangs over an edge, where another monitor may be nearer.
    const WindowSize window = machine.window;
    const Rect area =
        screen.movedTo.empty() ? machine.workAreas[machine.current] : screen.areaThere;
    if (window.width <= area.Width() && window.height <= area.Height())
        Check(second->mainPosition == first->mainPosition, "the window's position comes back");
    return 0;
}
