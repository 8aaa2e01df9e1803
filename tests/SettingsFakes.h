#pragma once

// The settings file and the screen as a load and a save see them, shared by the settings tests
// and the settings fuzzer.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/TextUtil.h"
#include "desktop/Settings.h"

namespace nordavel::test {

// Ends the process with the reason when the settings code breaks a rule of the system's.
inline void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "settings rule broken: %s\n", what);
    std::abort();
}

// An INI file the way the profile functions see it, small: "[section]" lines and "key=value"
// lines, names compared without letter case, blanks around names and values dropped, the first
// of two equal sections or keys counts. A write replaces the value where a read finds it, or
// adds the key at the end of its section, or the section at the end of the file.
class IniStore : public SettingsStore {
public:
    explicit IniStore(std::string_view text = {}) {
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
        Require(!exists, "CreateEmpty only when there is no file");
        if (createFails) throw std::runtime_error("cannot create");
        exists = true;
    }
    std::optional<std::string> Read(std::string_view section, std::string_view key) const override {
        const Place place = Find(section, key);
        if (place.keyLine == kNone) return std::nullopt;
        const std::string_view line = lines_[place.keyLine];
        return std::string(Trim(line.substr(line.find('=') + 1)));
    }
    void Write(std::string_view section, std::string_view key, std::string_view value) override {
        Require(exists, "no write before the file exists");
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

    static bool SameName(std::string_view a, std::string_view b) {
        return LowerAscii(a) == LowerAscii(b);
    }
    static std::optional<std::string_view> SectionName(std::string_view line) {
        line = Trim(line);
        if (line.empty() || line.front() != '[') return std::nullopt;
        line.remove_prefix(1);
        return Trim(line.substr(0, line.find(']')));
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
            if (Trim(line).starts_with(';') || equals == std::string_view::npos) continue;
            if (place.keyLine == kNone && SameName(Trim(line.substr(0, equals)), key))
                place.keyLine = i;
        }
        place.sectionEnd = i;
        return place;
    }

    std::vector<std::string> lines_;
};

// The monitors, the main window and the user's locale as a load sees them; records the windows
// whose monitor it asked for.
struct FakeScreen {
    std::vector<Rect> workAreas{Rect{0, 0, 1280, 984}};
    std::size_t current = 0; // the monitor the main window is on before loading
    WindowSize window{474, 260};
    std::uint32_t locale = 1033;
    std::vector<Rect> askedAbout;
    Rect areaThere; // the answer to the last question

    LoadContext Context() {
        return LoadContext{"C:\\Tools\\", window, locale, workAreas[current],
                           [this](const Rect& at) { return AreaNearest(at); }};
    }

    // The monitor nearest to the window's corner, counting steps across and down (a stored
    // position may lie anywhere in 32 bits); the first of equally near ones.
    Rect AreaNearest(const Rect& at) {
        askedAbout.push_back(at);
        const auto distance = [&](const Rect& area) {
            const auto steps = [](std::int64_t value, int low, int high) {
                return value < low ? low - value : value >= high ? value - high + 1 : 0;
            };
            return steps(at.left, area.left, area.right) + steps(at.top, area.top, area.bottom);
        };
        areaThere = *std::min_element(
            workAreas.begin(), workAreas.end(),
            [&](const Rect& a, const Rect& b) { return distance(a) < distance(b); });
        return areaThere;
    }
};

} // namespace nordavel::test
