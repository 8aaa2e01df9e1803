// Arbitrary bytes as a JPEG to read and to tag. Nothing may crash or read outside the input;
// AddGps refuses whatever ReadExif refuses, for the same reason; and a file it tags keeps every
// byte it had (ExifCheck.h) and reads back with the same facts and a GPS pointer.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "ExifCheck.h"
#include "exif/Exif.h"

using namespace nordavel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view jpeg(reinterpret_cast<const char*>(data), size);
    std::optional<exif::ExifFacts> facts;
    std::string refusal;
    try {
        facts = exif::ReadExif(jpeg);
    } catch (const exif::Refused& refused) {
        refusal = refused.what();
    }
    static const exif::GpsTags tags{"-33.8567844", "151.21", "1234.567", 1700000000123456};
    for (const bool overwrite : {false, true}) {
        std::string tagged;
        try {
            tagged = exif::AddGps(jpeg, tags, overwrite);
        } catch (const exif::Refused& refused) {
            const std::string reason = refused.what();
            // Besides ReadExif's reasons: the size, and the GPS pointer, kept or replaced.
            const bool overGps = facts && facts->hasGps;
            if (!facts
                    ? reason != refusal
                    : reason != "EXIF would exceed 64 KiB" &&
                          !(reason == "has GPS already" && overGps && !overwrite) &&
                          !(reason.starts_with("EXIF structures overlap") && overGps && overwrite))
                std::abort();
            continue;
        }
        if (!facts || (facts->hasGps && !overwrite)) std::abort();
        if (!test::ExifBytesMoved(jpeg, tagged).empty()) std::abort();
        exif::ExifFacts expected = *facts;
        expected.hasGps = true;
        if (exif::ReadExif(tagged) != expected) std::abort();
    }
    return 0;
}
