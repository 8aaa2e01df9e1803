#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "conversion/CsvOptions.h"
#include "desktop/Placement.h"

// Loading and saving the settings: which keys, in which order, with which defaults, and what
// happens to the windows. The file itself and the windows sit behind the two interfaces below.
namespace nordavel {

struct TFontSettings {
    std::uint8_t Charset = 0;
    std::string Name = "Tahoma";
    std::int32_t Size = 8; // points at 96 pixels per inch
    bool operator==(const TFontSettings&) const = default;
};

inline const TFontSettings kStartFontSettings{0, "Tahoma", 8};
inline const TFontSettings kJapaneseFontDefaults{128, "Tahoma", 8};
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

// What the settings act on: the two windows, and what the system tells about the user.
class SettingsTarget {
public:
    virtual ~SettingsTarget() = default;
    virtual std::string ExecutableFolder() const = 0; // with its trailing "\"
    virtual std::string DialogFolder() const = 0;
    virtual void SetDialogFolder(const std::string& folder) = 0;
    virtual WindowSize MainWindowSize() const = 0;
    virtual Point MainWindowPosition() const = 0;
    virtual void SetMainWindowPosition(Point topLeft) = 0;
    virtual Rect WorkAreaNow() const = 0;
    // Moves the main window to `topLeft` and gives the work area of its monitor there.
    virtual Rect WorkAreaAt(Point topLeft) = 0;
    virtual std::uint32_t UserDefaultLocale() const = 0;
    virtual std::int32_t PixelsPerInch() const = 0;
    // The main window's font; the report window takes the same.
    virtual void ApplyFont(std::uint8_t charset, const std::string& name, std::int32_t size) = 0;
    virtual TCsvOptions Options() const = 0;
    virtual void SetOptions(const TCsvOptions& options) = 0;
};

// Reads the settings file into the windows, creating it (empty) when there is none; the font
// read is kept in `currentFont`. False when a failure ended it early: what was applied before
// stays, nothing is shown.
bool LoadSettings(SettingsStore& store, SettingsTarget& target,
                  TFontSettings& currentFont) noexcept;

// Writes every key back; the first failure ends the save silently.
void SaveSettings(SettingsStore& store, const SettingsTarget& target,
                  const TFontSettings& currentFont) noexcept;

} // namespace nordavel
