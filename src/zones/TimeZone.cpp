#include "zones/TimeZone.h"

#include <algorithm>

#include "base/TextUtil.h"
#include "zones/ZoneData.h"

namespace nordavel {

namespace {

// No zone's offset is a day and more away from UTC.
constexpr std::int64_t kLargestOffset = 26 * 3600;

// Zone names are ASCII and found in any letter case.
bool SameLetter(char x, char y) {
    return LowerAscii(x) == LowerAscii(y);
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), SameLetter);
}

bool Contains(std::string_view name, std::string_view text) {
    return std::search(name.begin(), name.end(), text.begin(), text.end(), SameLetter) !=
           name.end();
}

// The TZif file of version 2 or later as zic writes it (RFC 8536): its 64-bit part.
class TzifReader {
public:
    TzifReader(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

    bool Read(std::vector<std::int64_t>& changes, std::vector<std::int32_t>& offsets) {
        Counts first{};
        if (!Header(0, first)) return false;
        const std::size_t v2 = 44 + first.times * 5 + first.types * 6 + first.chars +
                               first.leaps * 8 + first.standard + first.universal;
        Counts counts{};
        if (!Header(v2, counts) || counts.types == 0) return false;
        const std::size_t times = v2 + 44;
        const std::size_t indexes = times + counts.times * 8;
        const std::size_t types = indexes + counts.times;
        if (types + counts.types * 6 > size_) return false;
        for (std::size_t i = 0; i < counts.times; ++i) {
            const std::size_t type = data_[indexes + i];
            if (type >= counts.types) return false;
            changes.push_back(static_cast<std::int64_t>(Big(times + i * 8, 8)));
            offsets.push_back(static_cast<std::int32_t>(Big(types + type * 6, 4)));
        }
        return std::is_sorted(changes.begin(), changes.end());
    }

private:
    struct Counts {
        std::size_t universal, standard, leaps, times, types, chars;
    };

    std::uint64_t Big(std::size_t at, std::size_t bytes) const {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            value = value << 8 | data_[at + i];
        // Sign-extended from its width.
        const unsigned shift = static_cast<unsigned>(64 - 8 * bytes);
        return static_cast<std::uint64_t>(static_cast<std::int64_t>(value << shift) >> shift);
    }

    bool Header(std::size_t at, Counts& counts) const {
        if (at + 44 > size_ || data_[at] != 'T' || data_[at + 1] != 'Z' || data_[at + 2] != 'i' ||
            data_[at + 3] != 'f')
            return false;
        std::size_t* fields[] = {&counts.universal, &counts.standard, &counts.leaps,
                                 &counts.times,     &counts.types,    &counts.chars};
        for (std::size_t i = 0; i < 6; ++i)
            *fields[i] = static_cast<std::uint32_t>(Big(at + 20 + 4 * i, 4));
        return true;
    }

    const unsigned char* data_;
    std::size_t size_;
};

} // namespace

std::optional<TimeZone> TimeZone::Find(std::string_view name) {
    std::string_view zoneName = name;
    for (std::size_t i = 0; i < zones::kAliasCount; ++i)
        if (SameName(zones::kAliases[i].alias, name)) zoneName = zones::kAliases[i].zone;
    for (std::size_t i = 0; i < zones::kZoneCount; ++i) {
        const zones::ZoneEntry& entry = zones::kZones[i];
        if (!SameName(entry.name, zoneName)) continue;
        TimeZone zone;
        zone.name_ = entry.name;
        TzifReader reader(zones::kData + entry.offset, entry.size);
        if (!reader.Read(zone.changes_, zone.offsets_) || zone.changes_.empty())
            return std::nullopt;
        return zone;
    }
    return std::nullopt;
}

std::vector<std::string> TimeZone::NamesContaining(std::string_view text, std::size_t most) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < zones::kZoneCount; ++i)
        if (Contains(zones::kZones[i].name, text)) names.emplace_back(zones::kZones[i].name);
    for (std::size_t i = 0; i < zones::kAliasCount; ++i)
        if (Contains(zones::kAliases[i].alias, text)) names.emplace_back(zones::kAliases[i].alias);
    std::sort(names.begin(), names.end());
    if (names.size() > most) names.resize(most);
    return names;
}

std::string_view TimeZone::DataVersion() {
    return zones::kDataVersion;
}

UtcCandidates TimeZone::UtcTimesOf(std::int64_t local) const {
    UtcCandidates candidates;
    // Only the offsets in force within a day of the local time can map it.
    const auto first = std::upper_bound(changes_.begin(), changes_.end(), local - kLargestOffset);
    std::size_t i =
        first == changes_.begin() ? 0 : static_cast<std::size_t>(first - changes_.begin()) - 1;
    for (; i + 1 < changes_.size() && changes_[i] <= local + kLargestOffset; ++i) {
        const std::int64_t utc = local - offsets_[i];
        if (utc >= changes_[i] && utc < changes_[i + 1] &&
            candidates.count < candidates.times.size())
            candidates.times[candidates.count++] = utc;
    }
    return candidates;
}

} // namespace nordavel
