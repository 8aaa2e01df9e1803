#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "conversion/CsvOptions.h"
#include "conversion/TrackLayout.h"
#include "desktop/Placement.h"

// Loading and saving the settings: which keys, in which order, with which defaults. The file
// sits behind the interface below; the windows take and give the settings in one piece.
namespace nordavel {

struct FontSettings {
    std::uint8_t charset = 0;
    std::string name = "Tahoma";
    std::int32_t size = 8; // points at 96 pixels per inch
    bool operator==(const FontSettings&) const = default;
};

inline const FontSettings kStartFontSettings{0, "Tahoma", 8};
inline const FontSettings kJapaneseFontDefaults{128, "Tahoma", 8};
inline constexpr std::uint32_t kJapaneseLocale = 1041; // 0x0411

// The settings file, key by key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual bool Exists() const = 0;
    // Creates the file holding nothing but the UTF-16 byte-order mark; throws on failure.
    virtual void CreateEmpty() = 0;
    // The key's value, or nothing when the key is missing.
    virtual std::optional<std::string> Read(std::string_view section,
                                            std::string_view key) const = 0;
    // Throws on failure.
    virtual void Write(std::string_view section, std::string_view key, std::string_view value) = 0;
    // Makes what was written reach the disk; throws on failure.
    virtual void Flush() = 0;
};

// The settings the windows are loaded with and saved from.
struct WindowSettings {
    std::string dialogFolder; // where the file-open dialog starts
    Point mainPosition;       // the main window's top-left corner
    FontSettings font;        // as the file holds it: the screen's size comes from it
    CsvOptions csvOptions;
    OutputFormat outputFormat = OutputFormat::Csv;
    std::string timeZone; // for GPX: an IANA zone's name, or empty for the computer's zone
};

// What a load needs to know of the system and the screen.
struct LoadContext {
    std::string executableFolder; // with its trailing "\"
    WindowSize mainWindowSize;
    std::uint32_t userDefaultLocale = 0;
    Rect workAreaNow; // of the main window's monitor
    // The work area of the monitor that a window at `window` would be on.
    std::function<Rect(const Rect& window)> workAreaOf;
};

// Reads the settings file, creating it (empty) when there is none. What the file lacks comes
// from `current`: the options as the boxes show them, the font of the last load (unless the
// user's locale is Japanese); a file without the output's section gives CSV and the computer's
// zone. Nothing when a failure ended it early: then nothing is to be
// applied, nothing is shown.
std::optional<WindowSettings> LoadSettings(SettingsStore& store, const WindowSettings& current,
                                           const LoadContext& context) noexcept;

// Writes every key back; the first failure ends the save silently.
void SaveSettings(SettingsStore& store, const WindowSettings& settings) noexcept;

} // namespace nordavel
