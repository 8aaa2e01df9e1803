#include "desktop/ZoneChoice.h"

#include "base/TextUtil.h"
#include "zones/WindowsZones.h"

namespace nordavel {

namespace {

// Every zone and alias, for a list to browse through before anything is typed.
constexpr std::size_t kMostSuggestions = 1000;

} // namespace

ZoneChoice::ZoneChoice(std::string_view windowsZoneName)
    : computerZone_(
          TimeZone::Find(IanaZoneOfWindowsZone(windowsZoneName).value_or("Etc/UTC")).value()),
      computerText_(computerZone_.Name() + " (this computer)") {}

std::string ZoneChoice::TextOf(std::string_view kept) const {
    return kept.empty() ? computerText_ : std::string(kept);
}

std::optional<std::string> ZoneChoice::KeptOf(std::string_view text) const {
    text = Trim(text);
    if (text.empty() || LowerAscii(text) == LowerAscii(computerText_)) return std::string();
    if (const std::optional<TimeZone> zone = TimeZone::Find(text)) return zone->Name();
    return std::nullopt;
}

std::vector<std::string> ZoneChoice::Suggestions(std::string_view typed) const {
    typed = Trim(typed);
    std::vector<std::string> names = TimeZone::NamesContaining(typed, kMostSuggestions);
    if (typed.empty() || LowerAscii(computerText_).find(LowerAscii(typed)) != std::string::npos)
        names.insert(names.begin(), computerText_);
    return names;
}

TimeZone ZoneChoice::ZoneOf(std::string_view kept) const {
    if (kept.empty()) return computerZone_;
    return TimeZone::Find(kept).value_or(computerZone_);
}

} // namespace nordavel
