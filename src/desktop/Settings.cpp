#include "desktop/Settings.h"

#include "desktop/SettingsValues.h"

namespace nordavel {

namespace {

constexpr std::string_view kOption = "Option";
constexpr std::string_view kFont = "Font";
constexpr std::string_view kCsvOptions = "CSVopt";

std::int32_t ReadInteger(const SettingsStore& store, std::string_view section, std::string_view key,
                         std::int32_t fallback) {
    const std::optional<std::string> text = store.Read(section, key);
    return text ? IntegerOr(*text, fallback) : fallback;
}

bool ReadBoolean(const SettingsStore& store, std::string_view key, bool fallback) {
    const std::optional<std::string> text = store.Read(kCsvOptions, key);
    return text ? BooleanOr(*text, fallback) : fallback;
}

} // namespace

bool LoadSettings(SettingsStore& store, SettingsTarget& target,
                  TFontSettings& currentFont) noexcept {
    try {
        if (!store.Exists()) store.CreateEmpty();

        target.SetDialogFolder(
            DialogFolder(store.Read(kOption, "DataPath").value_or(target.ExecutableFolder())));

        const std::int32_t top = ReadInteger(store, kOption, "MainTop", kNoPosition);
        const std::int32_t left = ReadInteger(store, kOption, "MainLeft", kNoPosition);
        const WindowSize size = target.MainWindowSize();
        const bool stored = top != kNoPosition && left != kNoPosition;
        const Rect now = target.WorkAreaNow();
        const Rect there = stored ? target.WorkAreaAt(Point{left, top}) : now;
        target.SetMainWindowPosition(FitToWorkArea(top, left, size, now, there));

        const TFontSettings defaults =
            target.UserDefaultLocale() == kJapaneseLocale ? kJapaneseFontDefaults : currentFont;
        TFontSettings font;
        font.Charset = static_cast<std::uint8_t>(
            static_cast<std::uint32_t>(ReadInteger(store, kFont, "Charset", defaults.Charset)) &
            0xFFu);
        font.Name = store.Read(kFont, "FontName").value_or(defaults.Name);
        font.Size = ReadInteger(store, kFont, "FontSize", defaults.Size);
        currentFont = font;
        target.ApplyFont(font.Charset, font.Name,
                         ScreenFontSize(font.Size, target.PixelsPerInch()));

        TCsvOptions options = target.Options();
        options.Index = ReadBoolean(store, "Index", options.Index);
        options.DateTime = ReadBoolean(store, "DateTime", options.DateTime);
        options.SNEW = ReadBoolean(store, "SNEW", options.SNEW);
        options.RCR = ReadBoolean(store, "RCR", options.RCR);
        options.VALID = ReadBoolean(store, "VALID", options.VALID);
        target.SetOptions(options);
        return true;
    } catch (...) {
        return false;
    }
}

void SaveSettings(SettingsStore& store, const SettingsTarget& target,
                  const TFontSettings& currentFont) noexcept {
    try {
        const Point position = target.MainWindowPosition();
        const TCsvOptions options = target.Options();
        store.Write(kOption, "DataPath", target.DialogFolder());
        store.Write(kOption, "MainTop", IntegerText(position.y));
        store.Write(kOption, "MainLeft", IntegerText(position.x));
        store.Write(kFont, "Charset", IntegerText(currentFont.Charset));
        store.Write(kFont, "FontName", currentFont.Name);
        store.Write(kFont, "FontSize", IntegerText(currentFont.Size));
        store.Write(kCsvOptions, "Index", BooleanText(options.Index));
        store.Write(kCsvOptions, "DateTime", BooleanText(options.DateTime));
        store.Write(kCsvOptions, "SNEW", BooleanText(options.SNEW));
        store.Write(kCsvOptions, "RCR", BooleanText(options.RCR));
        store.Write(kCsvOptions, "VALID", BooleanText(options.VALID));
        store.Flush();
    } catch (...) {
        // Closing the window never fails because of the settings file.
    }
}

} // namespace nordavel
