// The EXIF reader and GPS writer on JPEGs built here in both byte orders, damaged in the ways a
// reader must notice, and on real sample photos when NORDAVEL_SAMPLE_PHOTOS names a folder of them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
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
        tiff += e.value.size() <= 4
                    ? e.value + std::string(4 - e.value.size(), '\0')
                    : Encode(big, offset + 6 + 12 * entries.size() + values.size(), 4);
        if (e.value.size() > 4) values += e.value;
    }
    tiff += Encode(big, next, 4) + values;
    return offset;
}

// JFIF, the EXIF block (IFD0 with a tag after GPSInfo's, the Exif IFD, IFD1, maybe GPS), a
// table, a scan and its end.
struct Sample {
    bool big = false;
    std::string jpeg;
    std::uint32_t ifd0 = 0, ifd1 = 0, exif = 0, gps = 0, size = 0; // in the TIFF block
    static constexpr std::size_t kApp1 = 11, kTiff = kApp1 + 10;

    explicit Sample(bool bigEndian, bool withGps = false, std::size_t makerNote = 65) {
        big = bigEndian;
        std::string tiff = (big ? "MM\0*"s : "II*\0"s) + Encode(big, 0, 4);
        exif = AppendIfd(
            tiff, big,
            {{0x9003, 2, 20, "2024:05:01 10:20:30\0"s},
             {0x9011, 2, 7, "+09:00\0"s},
             {0x927C, 7, static_cast<std::uint32_t>(makerNote), std::string(makerNote, 'm')},
             {0x9291, 2, 4, " 42\0"s}});
        ifd1 = AppendIfd(tiff, big, {{0x0103, 3, 1, Encode(big, 6, 2)}});
        std::vector<Entry> ifd0Entries{{0x010E, 2, 9, "a window\0"s},
                                       {0x0112, 3, 1, Encode(big, 1, 2)},
                                       {0x8769, 4, 1, Encode(big, exif, 4)},
                                       {0xEA1C, 7, 6, "filler"}};
        if (withGps) {
            gps = AppendIfd(tiff, big, {{0x0000, 1, 4, "\2\2\0\0"s}, {0x0001, 2, 2, "S\0"s}});
            ifd0Entries.insert(ifd0Entries.begin() + 3, {0x8825, 4, 1, Encode(big, gps, 4)});
        }
        ifd0 = AppendIfd(tiff, big, ifd0Entries, ifd1);
        tiff.replace(4, 4, Encode(big, ifd0, 4));
        size = static_cast<std::uint32_t>(tiff.size());
        jpeg = "\xFF\xD8\xFF\xE0\x00\x07JFIF\0\xFF\xE1"s + Encode(true, size + 8, 2) + "Exif\0\0"s +
               tiff + "\xFF\xDB\x00\x04\x01\x02\xFF\xDA\x00\x02\x12\xFF\x00\xFF\xD9"s;
    }
    // `value` in the sample's byte order at `offset` of the TIFF block.
    void Put(std::uint64_t offset, std::uint64_t value, int bytes = 4) {
        jpeg.replace(kTiff + offset, static_cast<std::size_t>(bytes), Encode(big, value, bytes));
    }
    static std::uint32_t EntryAt(std::uint32_t ifd, std::uint32_t index) {
        return ifd + 2 + 12 * index;
    }
};

const ExifFacts kFacts{"2024:05:01 10:20:30", "42", "+09:00", false};
const GpsTags kTags{"35.681200", "-139.7671234567", "-12.5", 1709251170500000};

std::string RefusalOf(const std::function<void()>& call) {
    try {
        call();
        return "accepted";
    } catch (const Refused& refused) {
        return refused.what();
    }
}

// A tag of a tagged sample's GPS directory: its bytes, or its rationals reduced ("1308/25").
std::string GpsValue(const std::string& jpeg, std::uint16_t tag) {
    const std::size_t length = static_cast<unsigned char>(jpeg[Sample::kApp1 + 2]) * 256u +
                               static_cast<unsigned char>(jpeg[Sample::kApp1 + 3]);
    const TiffBlock block(std::string_view(jpeg).substr(Sample::kTiff, length - 8));
    const Ifd ifd0 = block.ReadIfd(block.FirstIfdOffset());
    const Ifd gps = block.ReadIfd(block.U32(ifd0.Find(0x8825)->valueOffset));
    const IfdEntry* entry = gps.Find(tag);
    if (!entry) return "none";
    if (entry->type != kRational) return std::string(block.Bytes(entry->valueOffset, entry->count));
    std::string text;
    for (std::uint32_t i = 0; i < entry->count; ++i) {
        const std::uint64_t n = block.U32(entry->valueOffset + 8 * i);
        const std::uint64_t d = block.U32(entry->valueOffset + 8 * i + 4);
        const std::uint64_t g = std::gcd(n, d);
        text += (i ? " " : "") + std::to_string(n / g) + "/" + std::to_string(d / g);
    }
    return text;
}

TEST(Exif, ReadsTheDatingTagsInBothByteOrders) {
    for (const bool big : {false, true}) {
        EXPECT_EQ(ReadExif(Sample(big).jpeg), kFacts) << big;
        ExifFacts withGps = kFacts;
        withGps.hasGps = true;
        EXPECT_EQ(ReadExif(Sample(big, true).jpeg), withGps) << big;
    }
}

TEST(Exif, RefusesWhatItCannotReadWithinItsBounds) {
    using S = Sample;
    const auto at = [](std::uint64_t offset) {
        return "EXIF structure out of bounds at offset " + std::to_string(offset);
    };
    const std::function<std::string(S&)> cases[] = {
        [](S& s) { return s.jpeg = "GIF89a", "not a JPEG"; },
        [](S& s) { return s.jpeg[S::kApp1 + 4] = 'e', "no EXIF block"; },
        [](S& s) { return s.jpeg[S::kApp1 + 1] = '\xE2', "no EXIF block"; },
        [](S& s) { return s.jpeg.erase(S::kApp1, S::kTiff - S::kApp1 + s.size), "no EXIF block"; },
        [](S& s) { return s.jpeg[2] = 0, "JPEG structure out of bounds at offset 2"; },
        [](S& s) {
            s.jpeg.replace(S::kApp1 + 2, 2, "\xFF\xF0");
            return "JPEG structure out of bounds at offset 11";
        },
        [](S& s) { return s.jpeg[S::kTiff + 1] ^= 4, "EXIF block without a TIFF header"; },
        [](S& s) { return s.Put(2, 43, 2), "EXIF block without a TIFF header"; },
        [&](S& s) { return s.Put(4, 0xFFFFFFF0), at(0xFFFFFFF0); },
        [&](S& s) { return s.Put(s.ifd0, 0x4000, 2), at(s.ifd0); },
        [&](S& s) {
            return s.Put(S::EntryAt(s.exif, 0) + 8, s.size - 19), at(s.EntryAt(s.exif, 0));
        },
        [&](S& s) { // 8 × 0x20000000 wraps to 0 in 32 bits
            s.Put(S::EntryAt(s.exif, 0) + 2, kRational, 2);
            return s.Put(S::EntryAt(s.exif, 0) + 4, 0x20000000), at(S::EntryAt(s.exif, 0));
        },
        [&](S& s) { return s.Put(S::EntryAt(s.ifd0, 4), 0x7FFF0000), at(0x7FFF0000); },
        [&](S& s) {
            s = Sample(s.big, true);
            return s.Put(S::EntryAt(s.ifd0, 3) + 8, s.size - 4), at(s.size - 4);
        },
        [](S& s) {
            s.Put(S::EntryAt(s.ifd0, 2) + 8, s.ifd0);
            return "EXIF directories in a loop at offset " + std::to_string(s.ifd0);
        },
        [](S& s) {
            s.Put(S::EntryAt(s.ifd0, 4), s.ifd0);
            return "EXIF directories in a loop at offset " + std::to_string(s.ifd0);
        },
        [](S& s) {
            s.Put(S::EntryAt(s.ifd0, 2) + 2, kShort, 2);
            return "EXIF pointer malformed at offset " + std::to_string(S::EntryAt(s.ifd0, 2));
        },
        [](S& s) {
            return s.Put(S::EntryAt(s.exif, 0) + 8, 7), "EXIF structures overlap at offset 7";
        },
        [](S& s) { return s.Put(S::EntryAt(s.ifd0, 2), 0x8768, 2), "no DateTimeOriginal"; },
        [](S& s) { return s.Put(S::EntryAt(s.exif, 0) + 2, kUndefined, 2), "no DateTimeOriginal"; },
        [](S& s) {
            return s.jpeg[S::kTiff + S::EntryAt(s.exif, 4) + 4] = 0, "no DateTimeOriginal";
        },
        [](S& s) { return s = Sample(s.big, true), "has GPS already"; },
    };
    for (const bool big : {false, true}) {
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            Sample sample(big);
            const std::string reason = cases[i](sample);
            const std::string_view jpeg = sample.jpeg;
            if (reason != "has GPS already") {
                EXPECT_EQ(RefusalOf([&] { ReadExif(jpeg); }), reason) << big << i;
            }
            EXPECT_EQ(RefusalOf([&] { AddGps(jpeg, kTags, false); }), reason) << big << i;
        }
    }
}

TEST(Exif, ValuesOfUnknownTypesAreNeitherFollowedNorRefused) {
    Sample sample(true);
    sample.Put(Sample::EntryAt(sample.exif, 2) + 2, 99, 2);
    sample.Put(Sample::EntryAt(sample.exif, 2) + 4, 0xFFFFFFFF);
    EXPECT_EQ(ReadExif(AddGps(sample.jpeg, kTags, false)).dateTimeOriginal,
              kFacts.dateTimeOriginal);
}

TEST(Exif, AddsGpsWithoutMovingAByte) {
    for (const bool big : {false, true}) {
        const Sample sample(big);
        const std::string tagged = AddGps(sample.jpeg, kTags, false);
        EXPECT_EQ(test::ExifBytesMoved(sample.jpeg, tagged), "") << big;
        ExifFacts facts = kFacts;
        facts.hasGps = true;
        EXPECT_EQ(ReadExif(tagged), facts);
        // The copy of IFD0 lists GPSInfo in tag order and leads on to IFD1 as before.
        const TiffBlock block(std::string_view(tagged).substr(Sample::kTiff, tagged.size() - 36));
        const Ifd ifd0 = block.ReadIfd(block.FirstIfdOffset());
        EXPECT_EQ(block.FirstIfdOffset(), (sample.size + 1) / 2 * 2);
        ASSERT_EQ(ifd0.entries.size(), 5u);
        EXPECT_EQ(ifd0.entries[3].tag, 0x8825);
        EXPECT_EQ(ifd0.entries[4].tag, 0xEA1C);
        EXPECT_EQ(ifd0.nextOffset, sample.ifd1);
        const std::map<std::uint16_t, std::string> expected{{0x00, "\2\3\0\0"s},
                                                            {0x01, "N\0"s},
                                                            {0x02, "35/1 40/1 1308/25"},
                                                            {0x03, "W\0"s},
                                                            {0x04, "139/1 46/1 8223/5000"},
                                                            {0x05, "\1"s},
                                                            {0x06, "25/2"},
                                                            {0x07, "23/1 59/1 61/2"},
                                                            {0x1D, "2024:02:29\0"s}};
        for (const auto& [tag, value] : expected)
            EXPECT_EQ(GpsValue(tagged, tag), value) << big << " tag " << tag;
    }
}

TEST(Exif, CoordinatesAltitudesAndMomentsExactFromTheirDigits) {
    struct Case {
        GpsTags tags;
        std::string latitude, longitude, altitude, time, date;
    };
    const Case cases[] = {
        {{"-51.2", "+12", "8848.1234567", 951912000000001},
         "S\0 51/1 12/1 0/1"s,
         "E\0 12/1 0/1 0/1"s,
         "\0 442406173/50000"s,
         "12/1 0/1 1/1000000",
         "2000:03:01\0"s},
        {{"-0.00000005", "-.00000004", "-0.0000004", -1},
         "S\0 0/1 0/1 9/25000"s,
         "E\0 0/1 0/1 0/1"s,
         "\0 0/1"s,
         "23/1 59/1 59999999/1000000",
         "1969:12:31\0"s},
        {{"89.99999995", "-179.99999999", "0", 30000000},
         "N\0 90/1 0/1 0/1"s,
         "W\0 180/1 0/1 0/1"s,
         "\0 0/1"s,
         "0/1 0/1 30/1",
         "1970:01:01\0"s},
    };
    for (const Case& c : cases) {
        const std::string tagged = AddGps(Sample(false).jpeg, c.tags, false);
        EXPECT_EQ(GpsValue(tagged, 1) + " " + GpsValue(tagged, 2), c.latitude) << c.tags.latitude;
        EXPECT_EQ(GpsValue(tagged, 3) + " " + GpsValue(tagged, 4), c.longitude) << c.tags.longitude;
        EXPECT_EQ(GpsValue(tagged, 5) + " " + GpsValue(tagged, 6), c.altitude) << *c.tags.altitude;
        EXPECT_EQ(GpsValue(tagged, 7), c.time);
        EXPECT_EQ(GpsValue(tagged, 29), c.date);
    }
    const std::string noAltitude = AddGps(Sample(true).jpeg, {"1", "2", {}, 0}, false);
    EXPECT_EQ(GpsValue(noAltitude, 5) + GpsValue(noAltitude, 6), "nonenone");
}

TEST(Exif, TextsThatAreNoPlainDecimalsInRangeAreRejected) {
    const std::string jpeg = Sample(false).jpeg;
    for (const char* text : {"", "-", ".", "1.2.3", "+-1", "1e5", " 1", "1,5", "0x1", "90.0000001"})
        EXPECT_THROW(AddGps(jpeg, {text, "0", {}, 0}, false), std::invalid_argument) << text;
    EXPECT_THROW(AddGps(jpeg, {"0", "180.0000001", {}, 0}, false), std::invalid_argument);
    EXPECT_THROW(AddGps(jpeg, {"0", "0", "4294967296", 0}, false), std::invalid_argument);
    EXPECT_THROW(AddGps(jpeg, {"0", "0", {}, 253402300800000000}, false), std::invalid_argument);
}

TEST(Exif, OverwritingPatchesOnlyTheGpsPointer) {
    for (const bool big : {false, true}) {
        const Sample sample(big, true);
        const std::string tagged = AddGps(sample.jpeg, kTags, true);
        EXPECT_EQ(test::ExifBytesMoved(sample.jpeg, tagged), "") << big;
        EXPECT_EQ(tagged.substr(Sample::kTiff, 8), sample.jpeg.substr(Sample::kTiff, 8));
        EXPECT_TRUE(ReadExif(tagged).hasGps);
        EXPECT_EQ(GpsValue(tagged, 1), "N\0"s);
        EXPECT_EQ(GpsValue(tagged, 0x1D), "2024:02:29\0"s);
        Sample overlaid(big, true);
        overlaid.Put(Sample::EntryAt(overlaid.exif, 0) + 8, Sample::EntryAt(overlaid.ifd0, 3));
        EXPECT_EQ(RefusalOf([&] { AddGps(overlaid.jpeg, kTags, true); }),
                  "EXIF structures overlap at offset " +
                      std::to_string(Sample::EntryAt(overlaid.ifd0, 3)));
    }
}

TEST(Exif, TheBlockStaysWithinItsSegment) {
    // A tagged block's size is even, so a segment holds at most 6 + 65526 bytes.
    const Sample sample(true, false, 64);
    const std::size_t grown = AddGps(sample.jpeg, kTags, false).size() - sample.jpeg.size();
    const std::size_t makerNote = 64 + 65526 - grown - sample.size;
    const std::string largest = AddGps(Sample(true, false, makerNote).jpeg, kTags, false);
    EXPECT_EQ(largest.substr(Sample::kApp1 + 2, 2), "\xFF\xFE");
    EXPECT_EQ(RefusalOf([&] { AddGps(Sample(true, false, makerNote + 1).jpeg, kTags, false); }),
              "EXIF would exceed 64 KiB");
}

// Real photos (never committed: scripts/fetch-sample-photos DIR), each tagged with every
// invariant holding, or refused.
TEST(ExifCorpus, SamplePhotosAreTaggedInPlaceOrRefused) {
    const char* folder = std::getenv("NORDAVEL_SAMPLE_PHOTOS");
    if (!folder || !*folder) GTEST_SKIP() << "NORDAVEL_SAMPLE_PHOTOS names no folder";
    std::map<std::string, int> counts;
    for (const auto& file : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string extension = LowerAscii(file.path().extension().string());
        if (extension != ".jpg" && extension != ".jpeg") continue;
        std::ifstream in(file.path(), std::ios::binary);
        const std::string jpeg{std::istreambuf_iterator<char>(in), {}};
        for (const bool overwrite : {false, true}) {
            try {
                const std::string tagged = AddGps(jpeg, kTags, overwrite);
                ExifFacts facts = ReadExif(jpeg);
                ++counts[facts.hasGps ? "tagged over GPS" : "tagged"];
                EXPECT_EQ(test::ExifBytesMoved(jpeg, tagged), "") << file.path();
                facts.hasGps = true;
                EXPECT_EQ(ReadExif(tagged), facts) << file.path();
                break;
            } catch (const Refused& refused) {
                EXPECT_EQ(RefusalOf([&] { ReadExif(jpeg); }),
                          overwrite || refused.what() != "has GPS already"s ? refused.what()
                                                                            : "accepted")
                    << file.path();
                std::string reason = refused.what();
                if (reason == "has GPS already") continue;
                // Counted apart from the offset that ends some reasons.
                const std::size_t number = reason.find_first_of("0123456789");
                ++counts["refused: " +
                         (number == reason.npos ? reason : reason.substr(0, number) + "N")];
                break;
            }
        }
    }
    for (const auto& [what, count] : counts)
        std::cout << what << ": " << count << "\n";
    EXPECT_FALSE(counts.empty());
}

} // namespace
} // namespace nordavel::exif
