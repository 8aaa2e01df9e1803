#pragma once
// What adding GPS tags may change in a JPEG, found by comparing the two files rather than by the
// writer's own reading of them: the EXIF APP1 segment's length, bytes appended to its TIFF
// block, and one 4-byte pointer inside the old block. Shared by the tests and the fuzz target.
#include <cstdint>
#include <string>
#include <string_view>

#include "exif/TiffBlock.h"

namespace nordavel::test {

// Empty when `tagged` is `original` so grown; otherwise what moved or changed.
inline std::string ExifBytesMoved(std::string_view original, std::string_view tagged) {
    if (tagged.size() <= original.size()) return "the file did not grow";
    const std::size_t grown = tagged.size() - original.size();
    std::size_t first = 0;
    while (first < original.size() && original[first] == tagged[first])
        ++first;
    // The first change is in the length of an APP1 segment that starts with "Exif\0\0".
    std::size_t app1 = first < 3 ? 0 : first - 3;
    if (original.substr(app1 + 4, 6) != std::string_view("Exif\0\0", 6)) ++app1;
    if (first < 3 || original.substr(app1, 2) != "\xFF\xE1" ||
        original.substr(app1 + 4, 6) != std::string_view("Exif\0\0", 6))
        return "first change at " + std::to_string(first) + ", not an EXIF segment's length";
    const auto length = [&](std::string_view bytes) {
        return static_cast<unsigned char>(bytes[app1 + 2]) << 8 |
               static_cast<unsigned char>(bytes[app1 + 3]);
    };
    const std::size_t end = app1 + 2 + static_cast<std::size_t>(length(original));
    if (static_cast<std::size_t>(length(tagged) - length(original)) != grown)
        return "the segment grew unlike the file";
    if (original.substr(end) != tagged.substr(end + grown)) return "bytes after the segment moved";
    // The one pointer that may change: the GPSInfo entry's value when there is one, else the
    // header's offset of IFD0.
    const exif::TiffBlock block(original.substr(app1 + 10, end - app1 - 10));
    const exif::Ifd ifd0 = block.ReadIfd(block.FirstIfdOffset());
    const exif::IfdEntry* gps = ifd0.Find(0x8825);
    const std::size_t pointer = app1 + 10 + (gps ? gps->valueOffset : 4);
    for (std::size_t i = app1 + 4; i < end; ++i)
        if (original[i] != tagged[i] && (i < pointer || i >= pointer + 4))
            return "old EXIF byte changed at offset " + std::to_string(i);
    return {};
}

} // namespace nordavel::test
