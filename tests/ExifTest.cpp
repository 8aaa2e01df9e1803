// The EXIF reader and GPS writer on JPEGs built here in both byte orders, damaged in the ways a
// reader must notice. Real photos are tagged through nordavel-cli in tests/geotag/photos.py.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <iterator>
#include <numeric>

#include "ExifCheck.h"
#include "base/TextUtil.h"
#include "exif/Exif.h"
#include "exif/TiffBlock.h"

namespace nordavel::exif {
namespace {

using namespace std::string_literals;

std::string Encode(bool big, std::uint64_t value, int size) {
    std::string bytes;
    for (int i = 0; i < size; ++i)
        bytes += static_cast<char>(value >> 8 * (big ? size - 1 - i : i));
    return bytes;
}

struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count;
    std::string value;
};

// Appends a directory and then its longer values; returns its offset.
std::uint32_t AppendIfd(std::string& tiff, bool big, const std::vector<Entry>& entries,
                        std::uint32_t next = 0) {
    const auto offset = static_cast<std::uint32_t>(tiff.size());
    std::string values;
    tiff += Encode(big, entries.size(), 2);
    for (const Entry& e : entries) {
        tiff += Encode(big, e.tag, 2) + Encode(big, e.type, 2) + Encode(big, e.count, 4);
        tiff += e.value.size() > 4
                    ? Encode(big, offset + 6 + 12 * entries.size() + values.size(), 4)
                    : e.value + std::string(4 - e.value.size(), '\0');
        if (e.value.size() > 4) values += e.value;
    }
    tiff += Encode(big, next, 4) + values;
    return offset;
}

constexpr std::size_t kApp1 = 11, kTiff = kApp1 + 10;
constexpr std::uint32_t At(std::uint32_t ifd, std::uint32_t entry) {
    return ifd + 2 + 12 * entry;
}

// JFIF, the EXIF block (IFD0 with a tag after GPSInfo's, the Exif IFD, IFD1, maybe GPS), a
// table, a scan and its end.
struct Sample {
    bool big = false;
    std::string jpeg;
    std::uint32_t ifd0 = 0, ifd1 = 0, exif = 0, size = 0; // in the TIFF block

    explicit Sample(bool bigEndian, bool withGps = false, std::uint32_t makerNote = 65) {
        big = bigEndian;
        std::string tiff = (big ? "MM\0*"s : "II*\0"s) + Encode(big, 0, 4);
        exif = AppendIfd(tiff, big,
                         {{0x9003, 2, 20, "2024:05:01 10:20:30\0"s},
                          {0x9011, 2, 7, "+09:00\0"s},
                          {0x927C, 7, makerNote, std::string(makerNote, 'm')},
                          {0x9291, 2, 4, " 42\0"s}});
        ifd1 = AppendIfd(tiff, big, {{0x0103, 3, 1, Encode(big, 6, 2)}});
        std::vector<Entry> entries{{0x010E, 2, 9, "a window\0"s},
                                   {0x0112, 3, 1, Encode(big, 1, 2)},
                                   {0x8769, 4, 1, Encode(big, exif, 4)},
                                   {0xEA1C, 7, 6, "filler"}};
        if (withGps)
            entries.insert(
                entries.begin() + 3,
                {0x8825, 4, 1, Encode(big, AppendIfd(tiff, big, {{1, 2, 2, "S\0"s}}), 4)});
        ifd0 = AppendIfd(tiff, big, entries, ifd1);
        tiff.replace(4, 4, Encode(big, ifd0, 4));
        size = static_cast<std::uint32_t>(tiff.size());
        jpeg = "\xFF\xD8\xFF\xE0\x00\x07JFIF\0\xFF\xE1"s + Encode(true, size + 8, 2) + "Exif\0\0"s +
               tiff + "\xFF\xDB\x00\x04\x01\x02\xFF\xDA\x00\x02\x12\xFF\x00\xFF\xD9"s;
    }
    // `value` in the sample's byte order at `offset` of the TIFF block.
    void Put(std::uint64_t offset, std::uint64_t value, int bytes = 4) {
        jpeg.replace(kTiff + offset, static_cast<std::size_t>(bytes), Encode(big, value, bytes));
    }
};

ExifFacts Facts(bool hasGps) {
    return {"2024:05:01 10:20:30", "42", "+09:00", hasGps};
}
const GpsTags kTags{"35.681200", "-139.7671234567", "-12.5", 1709251170500000};

std::string RefusalOf(const std::function<void()>& call) {
    try {
        call();
        return "accepted";
    } catch (const Refused& refused) {
        return refused.what();
    }
}

// A tagged sample's GPS directory as "tag=value|...": BYTEs as numbers, ASCII with its NULs as
// ".", RATIONALs reduced ("1308/25"), so that the values are compared, not their representation.
std::string GpsDirectory(const std::string& jpeg) {
    const TiffBlock block(std::string_view(jpeg).substr(kTiff)); // and what follows it
    const Ifd ifd0 = block.ReadIfd(block.FirstIfdOffset());
    if (!ifd0.Find(0x8825)) return "no GPS pointer";
    std::string text;
    const Ifd gps = block.ReadIfd(block.U32(ifd0.Find(0x8825)->valueOffset));
    for (const IfdEntry& e : gps.entries) {
        text += (text.empty() ? "" : "|") + std::to_string(e.tag) + "=";
        for (std::uint32_t i = 0; i < e.count; ++i) {
            const auto byte = static_cast<unsigned char>(block.Bytes(e.valueOffset + i, 1)[0]);
            const std::uint64_t n = e.type == kRational ? block.U32(e.valueOffset + 8 * i) : byte;
            const std::uint64_t d = e.type == kRational ? block.U32(e.valueOffset + 8 * i + 4) : 1;
            if (e.type == kAscii) text += byte ? static_cast<char>(byte) : '.';
            if (e.type == kAscii) continue;
            text += (i ? " "s : ""s) + std::to_string(n / std::gcd(n, d));
            if (e.type == kRational) text += "/" + std::to_string(d / std::gcd(n, d));
        }
    }
    return text;
}

TEST(Exif, RefusesWhatItCannotReadWithinItsBounds) {
    using S = Sample;
    const auto at = [](const char* what, std::uint64_t offset) {
        return what + " at offset "s + std::to_string(offset);
    };
    const char *bounds = "EXIF structure out of bounds",
               *jpegBounds = "JPEG structure out of bounds", *loop = "EXIF directories in a loop",
               *tiff = "EXIF block without a TIFF header";
    const std::function<std::string(S&)> cases[] = {
        [](S& s) { return s.jpeg = "GIF89a", "not a JPEG"s; },
        [](S& s) { return s.jpeg[kApp1 + 4] = 'e', "no EXIF block"s; },
        [](S& s) { return s.jpeg[kApp1 + 1] = '\xE2', "no EXIF block"s; },
        [](S& s) { return s.jpeg.erase(kApp1, 10 + s.size), "no EXIF block"s; },
        [&](S& s) { return s.jpeg[2] = 0, at(jpegBounds, 2); },
        [&](S& s) { return s.jpeg[kApp1 + 2] = '\xFF', at(jpegBounds, kApp1); },
        [&](S& s) { return s.jpeg[kTiff + 1] ^= 4, tiff; },
        [&](S& s) { return s.Put(2, 43, 2), tiff; },
        [&](S& s) { return s.Put(4, 0xFFFFFFF0), at(bounds, 0xFFFFFFF0); },
        [&](S& s) { return s.Put(s.ifd0, 0x4000, 2), at(bounds, s.ifd0); },
        [&](S& s) { return s.Put(At(s.exif, 0) + 8, s.size - 19), at(bounds, At(s.exif, 0)); },
        [&](S& s) { // 8 × 0x20000000 is 0 in 32 bits
            s.Put(At(s.exif, 0) + 2, kRational, 2);
            return s.Put(At(s.exif, 0) + 4, 0x20000000), at(bounds, At(s.exif, 0));
        },
        [&](S& s) { return s.Put(At(s.ifd0, 4), 0x7FFF0000), at(bounds, 0x7FFF0000); },
        [&](S& s) {
            return s = S(s.big, true), s.Put(At(s.ifd0, 3) + 8, s.size - 4), at(bounds, s.size - 4);
        },
        [&](S& s) { return s.Put(At(s.ifd0, 2) + 8, s.ifd0), at(loop, s.ifd0); },
        [&](S& s) { return s.Put(At(s.ifd0, 4), s.ifd0), at(loop, s.ifd0); },
        [&](S& s) {
            return s.Put(At(s.ifd0, 2) + 2, kShort, 2), at("EXIF pointer malformed", At(s.ifd0, 2));
        },
        [&](S& s) { return s.Put(At(s.exif, 0) + 8, 7), at("EXIF structures overlap", 7); },
        [&](S& s) { // a thumbnail after the image would move away from its offset
            s.Put(At(s.ifd1, 0), 0x0201, 2);
            s.Put(At(s.ifd1, 0) + 2, kLong, 2);
            return s.Put(At(s.ifd1, 0) + 8, s.size + 2),
                   at("EXIF refers to data outside its block", s.size + 2);
        },
        [](S& s) { return s.Put(At(s.ifd0, 2), 0x8768, 2), "no DateTimeOriginal"s; },
        [](S& s) { return s.Put(At(s.exif, 0) + 2, kUndefined, 2), "no DateTimeOriginal"s; },
        [](S& s) { return s.jpeg[kTiff + At(s.exif, 4) + 4] = 0, "no DateTimeOriginal"s; },
        [](S& s) { return s = S(s.big, true), "has GPS already"s; },
        [](S& s) { // a value of an unknown type is not followed
            s.Put(At(s.exif, 2) + 2, 99, 2);
            return s.Put(At(s.exif, 2) + 4, 0xFFFFFFFF), "accepted"s;
        },
    };
    for (const bool big : {false, true}) {
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            Sample sample(big);
            const std::string reason = cases[i](sample);
            const std::string_view jpeg = sample.jpeg;
            EXPECT_EQ(RefusalOf([&] { ReadExif(jpeg); }),
                      reason == "has GPS already" ? "accepted" : reason)
                << big << i;
            EXPECT_EQ(RefusalOf([&] { AddGps(jpeg, kTags, false); }), reason) << big << i;
        }
    }
}

TEST(Exif, AddsGpsWithoutMovingAByte) {
    for (const bool big : {false, true}) {
        for (const bool gps : {false, true}) { // over GPS tags, replacing them
            const Sample sample(big, gps);
            const std::string tagged = AddGps(sample.jpeg, kTags, gps);
            EXPECT_EQ(ReadExif(sample.jpeg), Facts(gps));
            EXPECT_EQ(test::ExifBytesMoved(sample.jpeg, tagged), "") << big << gps;
            EXPECT_EQ(ReadExif(tagged), Facts(true));
            EXPECT_EQ(GpsDirectory(tagged), "0=2 3 0 0|1=N.|2=35/1 40/1 1308/25|3=W.|"
                                            "4=139/1 46/1 8223/5000|5=1|6=25/2|7=23/1 59/1 61/2|"
                                            "29=2024:02:29.");
            // A copy of IFD0 (none over GPS tags) lists GPSInfo in tag order and leads on to
            // IFD1 as before.
            const TiffBlock block(std::string_view(tagged).substr(kTiff));
            const Ifd ifd0 = block.ReadIfd(block.FirstIfdOffset());
            EXPECT_EQ(block.FirstIfdOffset(), gps ? sample.ifd0 : (sample.size + 1) / 2 * 2);
            ASSERT_EQ(ifd0.entries.size(), 5u);
            EXPECT_EQ(ifd0.entries[3].tag, 0x8825);
            EXPECT_EQ(ifd0.entries[4].tag, 0xEA1C);
            EXPECT_EQ(ifd0.nextOffset, sample.ifd1);
        }
        Sample overlaid(big, true);
        overlaid.Put(At(overlaid.exif, 0) + 8, At(overlaid.ifd0, 3));
        EXPECT_EQ(RefusalOf([&] { AddGps(overlaid.jpeg, kTags, true); }),
                  "EXIF structures overlap at offset " + std::to_string(At(overlaid.ifd0, 3)));
    }
}

TEST(Exif, GpsValuesAreExactFromTheirDigits) {
    const std::pair<GpsTags, std::string> cases[] = {
        {{"-51.2", "+12", "8848.1234567", 951912000000001},
         "0=2 3 0 0|1=S.|2=51/1 12/1 0/1|3=E.|4=12/1 0/1 0/1|5=0|6=442406173/50000|"
         "7=12/1 0/1 1/1000000|29=2000:03:01."},
        {{"-0.00000005", "-.00000004", "-0.0000004", -1},
         "0=2 3 0 0|1=S.|2=0/1 0/1 9/25000|3=E.|4=0/1 0/1 0/1|5=0|6=0/1|"
         "7=23/1 59/1 59999999/1000000|29=1969:12:31."},
        {{"89.99999995", "-179.99999999", "0", 30000000},
         "0=2 3 0 0|1=N.|2=90/1 0/1 0/1|3=W.|4=180/1 0/1 0/1|5=0|6=0/1|7=0/1 0/1 30/1|"
         "29=1970:01:01."},
        {{"1", "2", {}, 0},
         "0=2 3 0 0|1=N.|2=1/1 0/1 0/1|3=E.|4=2/1 0/1 0/1|7=0/1 0/1 0/1|"
         "29=1970:01:01."},
    };
    for (const auto& [tags, directory] : cases)
        EXPECT_EQ(GpsDirectory(AddGps(Sample(false).jpeg, tags, false)), directory);
    const std::string jpeg = Sample(false).jpeg;
    for (const char* text : {"", "-", ".", "1.2.3", "+-1", "1e5", " 1", "1,5", "0x1", "90.0000001"})
        EXPECT_THROW(AddGps(jpeg, {text, "0", {}, 0}, false), std::invalid_argument) << text;
    EXPECT_THROW(AddGps(jpeg, {"0", "180.0000001", {}, 0}, false), std::invalid_argument);
    EXPECT_THROW(AddGps(jpeg, {"0", "0", "4294967296", 0}, false), std::invalid_argument);
    EXPECT_THROW(AddGps(jpeg, {"0", "0", {}, 253402300800000000}, false), std::invalid_argument);
}

TEST(Exif, TheBlockStaysWithinItsSegment) {
    // A tagged block's size is even, so a segment holds at most 6 + 65526 bytes.
    const Sample sample(true, false, 64);
    const std::size_t grown = AddGps(sample.jpeg, kTags, false).size() - sample.jpeg.size();
    const auto makerNote = static_cast<std::uint32_t>(64 + 65526 - grown - sample.size);
    const std::string largest = AddGps(Sample(true, false, makerNote).jpeg, kTags, false);
    EXPECT_EQ(largest.substr(kApp1 + 2, 2), "\xFF\xFE");
    EXPECT_EQ(RefusalOf([&] { AddGps(Sample(true, false, makerNote + 1).jpeg, kTags, false); }),
              "EXIF would exceed 64 KiB");
}

} // namespace
} // namespace nordavel::exif
