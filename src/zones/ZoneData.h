#pragma once

#include <cstddef>

// The time zone data embedded in the program at build time (cmake/EmbedZones.cmake): the TZif
// file of every zone of the IANA data, and the names that are aliases of a zone.
namespace nordavel::zones {

struct ZoneEntry {
    const char* name;
    std::size_t offset; // of its TZif file in kData
    std::size_t size;
};

struct AliasEntry {
    const char* alias;
    const char* zone;
};

extern const char kDataVersion[];
extern const unsigned char kData[];
extern const ZoneEntry kZones[]; // sorted by name
extern const std::size_t kZoneCount;
extern const AliasEntry kAliases[]; // sorted by alias
extern const std::size_t kAliasCount;

} // namespace nordavel::zones
