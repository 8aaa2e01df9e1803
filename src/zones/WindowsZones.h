#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string_view>

// The CLDR mapping of Windows time zone names to IANA zones, built in at build time
// (cmake/EmbedWindowsZones.cmake): Windows names the computer's zone by its own names ("W. Europe
// Standard Time"), which the IANA data does not know.
namespace nordavel {

namespace zones {

struct WindowsZoneEntry {
    std::string_view windowsName;
    std::string_view ianaZone;
};

extern const WindowsZoneEntry kWindowsZones[]; // sorted by windowsName
extern const std::size_t kWindowsZoneCount;

} // namespace zones

// The IANA zone of a Windows zone, by its name exactly as Windows writes it (TimeZoneKeyName):
// Windows keeps one spelling of each, so a name in another case is none of them.
inline std::optional<std::string_view> IanaZoneOfWindowsZone(std::string_view windowsName) {
    const zones::WindowsZoneEntry* end = zones::kWindowsZones + zones::kWindowsZoneCount;
    const zones::WindowsZoneEntry* found =
        std::lower_bound(zones::kWindowsZones, end, windowsName,
                         [](const zones::WindowsZoneEntry& entry, std::string_view name) {
                             return entry.windowsName < name;
                         });
    if (found == end || found->windowsName != windowsName) return std::nullopt;
    return found->ianaZone;
}

} // namespace nordavel
