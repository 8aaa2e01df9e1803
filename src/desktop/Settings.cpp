#include "desktop/Settings.h"

#include <algorithm>
#include <iterator>
#include <limits>

#include "base/TextUtil.h"
#include "desktop/SettingsValues.h"
#include "zones/TimeZone.h"

namespace nordavel {

namespace {

constexpr std::string_view kOption = "Option";
constexpr std::string_view kFont = "Font";
constexpr std::string_view kCsvOptions = "CSVopt";
constexpr std::string_view kOutput = "Output";

std::int32_t ReadInteger(const SettingsStore& store, std::string_view section, std::string_view key,
                         std::int32_t fallback) {
    const std::optional<std::string> text = store.Read(section, key);
    return text ? IntegerOr(*text, fallback) : fallback;
}

// A stored position may be anything: edges beyond 32 bits stop at its limits.
Rect WindowAt(Point topLeft, WindowSize size) {
    const auto edge = [](std::int64_t value) {
        return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                         std::numeric_limits<int>::max()));
    };
    return Rect{topLeft.x, topLeft.y, edge(std::int64_t{topLeft.x} + size.width),
                edge(std::int64_t{topLeft.y} + size.height)};
}

} // namespace

std::optional<WindowSettings> LoadSettings(SettingsStore& store, const WindowSettings& current,
                                           const LoadContext& context) noexcept {
    try {
        if (!store.Exists()) store.CreateEmpty();
        WindowSettings settings;
        settings.dialogFolder = WithoutTrailingBackslash(
            store.Read(kOption, "DataPath").value_or(context.executableFolder));

        const std::int32_t top = ReadInteger(store, kOption, "MainTop", kNoPosition);
        const std::int32_t left = ReadInteger(store, kOption, "MainLeft", kNoPosition);
        const WindowSize size = context.mainWindowSize;
        const bool stored = top != kNoPosition && left != kNoPosition;
        const Rect there =
            stored ? context.workAreaOf(WindowAt(Point{left, top}, size)) : context.workAreaNow;
        settings.mainPosition = FitToWorkArea(top, left, size, context.workAreaNow, there);

        const FontSettings& defaults =
            context.userDefaultLocale == kJapaneseLocale ? kJapaneseFontDefaults : current.font;
        settings.font.charset = static_cast<std::uint8_t>(
            static_cast<std::uint32_t>(ReadInteger(store, kFont, "Charset", defaults.charset)) &
            0xFFu);
        settings.font.name = store.Read(kFont, "FontName").value_or(defaults.name);
        settings.font.size = ReadInteger(store, kFont, "FontSize", defaults.size);

        for (const CsvOptionRow& row : kCsvOptionRows) {
            const std::optional<std::string> text = store.Read(kCsvOptions, row.iniKey);
            const bool shown = current.csvOptions.*row.field;
            settings.csvOptions.*row.field = text ? BooleanOr(*text, shown) : shown;
        }
        const std::string format = LowerAscii(store.Read(kOutput, "Format").value_or(""));
        settings.outputFormat = format == "gpx" ? OutputFormat::Gpx : OutputFormat::Csv;
        if (const std::optional<TimeZone> zone =
                TimeZone::Find(store.Read(kOutput, "TimeZone").value_or("")))
            settings.timeZone = zone->Name();
        return settings;
    } catch (...) {
        return std::nullopt;
    }
}

void SaveSettings(SettingsStore& store, const WindowSettings& settings) noexcept {
    try {
        store.Write(kOption, "DataPath", settings.dialogFolder);
        store.Write(kOption, "MainTop", IntegerText(settings.mainPosition.y));
        store.Write(kOption, "MainLeft", IntegerText(settings.mainPosition.x));
        store.Write(kFont, "Charset", IntegerText(settings.font.charset));
        store.Write(kFont, "FontName", settings.font.name);
        store.Write(kFont, "FontSize", IntegerText(settings.font.size));
        // A new file gets the keys in the order that files written so far have.
        for (std::uint8_t position = 0; position < std::size(kCsvOptionRows); ++position)
            for (const CsvOptionRow& row : kCsvOptionRows)
                if (row.iniPosition == position)
                    store.Write(kCsvOptions, row.iniKey,
                                BooleanText(settings.csvOptions.*row.field));
        store.Write(kOutput, "Format", settings.outputFormat == OutputFormat::Gpx ? "gpx" : "csv");
        store.Write(kOutput, "TimeZone", settings.timeZone);
        store.Flush();
    } catch (...) {
        // Closing the window never fails because of the settings file.
    }
}

} // namespace nordavel
