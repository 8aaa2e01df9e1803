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

std::optional<WindowSettings> LoadSettings(SettingsStore& store, const WindowSettings& current,
                                           const LoadContext& context) noexcept {
    try {
        if (!store.Exists()) store.CreateEmpty();
        WindowSettings settings;
        settings.DialogFolder =
            DialogFolder(store.Read(kOption, "DataPath").value_or(context.ExecutableFolder));

        const std::int32_t top = ReadInteger(store, kOption, "MainTop", kNoPosition);
        const std::int32_t left = ReadInteger(store, kOption, "MainLeft", kNoPosition);
        const bool stored = top != kNoPosition && left != kNoPosition;
        const Rect there = stored ? context.WorkAreaAt(Point{left, top}) : context.WorkAreaNow;
        settings.MainPosition =
            FitToWorkArea(top, left, context.MainWindowSize, context.WorkAreaNow, there);

        const TFontSettings& defaults =
            context.UserDefaultLocale == kJapaneseLocale ? kJapaneseFontDefaults : current.Font;
        settings.Font.Charset = static_cast<std::uint8_t>(
            static_cast<std::uint32_t>(ReadInteger(store, kFont, "Charset", defaults.Charset)) &
            0xFFu);
        settings.Font.Name = store.Read(kFont, "FontName").value_or(defaults.Name);
        settings.Font.Size = ReadInteger(store, kFont, "FontSize", defaults.Size);

        TCsvOptions& options = settings.Options;
        options.Index = ReadBoolean(store, "Index", current.Options.Index);
        options.DateTime = ReadBoolean(store, "DateTime", current.Options.DateTime);
        options.SNEW = ReadBoolean(store, "SNEW", current.Options.SNEW);
        options.RCR = ReadBoolean(store, "RCR", current.Options.RCR);
        options.VALID = ReadBoolean(store, "VALID", current.Options.VALID);
        return settings;
    } catch (...) {
        return std::nullopt;
    }
}

void SaveSettings(SettingsStore& store, const WindowSettings& settings) noexcept {
    try {
        const TCsvOptions& options = settings.Options;
        store.Write(kOption, "DataPath", settings.DialogFolder);
        store.Write(kOption, "MainTop", IntegerText(settings.MainPosition.y));
        store.Write(kOption, "MainLeft", IntegerText(settings.MainPosition.x));
        store.Write(kFont, "Charset", IntegerText(settings.Font.Charset));
        store.Write(kFont, "FontName", settings.Font.Name);
        store.Write(kFont, "FontSize", IntegerText(settings.Font.Size));
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
