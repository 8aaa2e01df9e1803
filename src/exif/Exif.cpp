#include "exif/Exif.h"

#include <optional>

#include <algorithm>
#include <array>
#include <chrono>
#include <initializer_list>
#include <limits>
#include <vector>

#include "base/TextUtil.h"
#include "exif/TiffBlock.h"

namespace nordavel::exif {
namespace {

constexpr std::uint16_t kExifPointer = 0x8769;
constexpr std::uint16_t kGpsPointer = 0x8825;
constexpr std::uint16_t kDateTimeOriginal = 0x9003;
constexpr std::uint16_t kOffsetTimeOriginal = 0x9011;
constexpr std::uint16_t kSubSecTimeOriginal = 0x9291;

constexpr std::string_view kExifMagic("Exif\0\0", 6);
// A segment's length field counts its own two bytes.
constexpr std::size_t kMaxSegmentPayload = 0xFFFF - 2;
constexpr std::uint64_t kMaxU32 = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint64_t kPowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};

struct ExifSegment {
    std::size_t lengthOffset = 0; // of the APP1 segment's length field
    std::size_t tiffOffset = 0;   // of the TIFF header, after "Exif\0\0"
    std::size_t end = 0;          // one past the segment
};

unsigned ByteAt(std::string_view bytes, std::size_t offset) {
    return static_cast<unsigned char>(bytes[offset]);
}

std::string JpegOutOfBounds(std::size_t offset) {
    return "JPEG structure out of bounds at offset " + std::to_string(offset);
}

ExifSegment FindExifSegment(std::string_view jpeg) {
    if (jpeg.size() < 4 || ByteAt(jpeg, 0) != 0xFF || ByteAt(jpeg, 1) != 0xD8)
        throw Refused("not a JPEG");
    std::size_t position = 2;
    std::optional<ExifSegment> found;
    while (position < jpeg.size()) {
        if (ByteAt(jpeg, position) != 0xFF) throw Refused(JpegOutOfBounds(position));
        // Any number of fill bytes may precede a marker.
        while (position + 1 < jpeg.size() && ByteAt(jpeg, position + 1) == 0xFF)
            ++position;
        if (position + 1 >= jpeg.size()) break;
        const unsigned marker = ByteAt(jpeg, position + 1);
        // The EXIF block comes before the image data or not at all. The segments after it are
        // walked too: a file cut short there is one that readers refuse, tags and all.
        if (marker == 0xDA && found) return *found;
        if (marker == 0xDA || marker == 0xD9) break;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            position += 2;
            continue;
        }
        if (position + 4 > jpeg.size()) throw Refused(JpegOutOfBounds(position));
        const std::size_t length = ByteAt(jpeg, position + 2) << 8 | ByteAt(jpeg, position + 3);
        if (length < 2 || length > jpeg.size() - position - 2)
            throw Refused(JpegOutOfBounds(position));
        if (marker == 0xE1 && !found &&
            jpeg.substr(position + 4, length - 2).starts_with(kExifMagic))
            found =
                ExifSegment{position + 2, position + 4 + kExifMagic.size(), position + 2 + length};
        position += 2 + length;
    }
    if (found) throw Refused("JPEG without image data after its EXIF block");
    throw Refused("no EXIF block");
}

struct Structure {
    Ifd ifd0;
    std::optional<IfdEntry> gpsPointer;
    ExifFacts facts;
    // Where the other directories and every value out of line lie, [begin, end).
    std::vector<std::pair<std::uint64_t, std::uint64_t>> extents;
};

// The bytes a writer changes must belong to nothing else that is read: a value laid over the
// header's pointer to IFD0, say, would change with it.
void RefuseOverlap(const Structure& structure, std::uint64_t begin, std::uint64_t end) {
    for (const auto& [first, last] : structure.extents)
        if (first < end && begin < last)
            throw Refused("EXIF structures overlap at offset " + std::to_string(first));
}

// Some writers type a pointer as a signed LONG; common readers follow it all the same.
std::uint32_t PointerValue(const TiffBlock& block, const IfdEntry& entry) {
    if ((entry.type != kLong && entry.type != kSignedLong && entry.type != kIfdPointer) ||
        entry.count != 1)
        throw Refused("EXIF pointer malformed at offset " + std::to_string(entry.entryOffset));
    return block.U32(entry.valueOffset);
}

std::string_view StoredText(const TiffBlock& block, const IfdEntry* entry) {
    if (!entry || entry->type != kAscii) return {};
    const std::string_view text = block.Bytes(entry->valueOffset, entry->count);
    return text.substr(0, text.find('\0'));
}

// A thumbnail or a strip is found by offsets of its own. Data they name outside the block (after
// the image, as some cameras put it) would move when the block grows, and the offsets would lie.
void RefuseDataOutside(const TiffBlock& block, const Ifd& ifd) {
    const auto value = [&](const IfdEntry& entry, std::uint64_t i) -> std::uint64_t {
        return entry.type == kShort ? block.U16(entry.valueOffset + 2 * i)
                                    : block.U32(entry.valueOffset + 4 * i);
    };
    for (const auto& [startTag, lengthTag] :
         {std::pair<std::uint16_t, std::uint16_t>{0x0201, 0x0202},
          std::pair<std::uint16_t, std::uint16_t>{0x0111, 0x0117}}) {
        const IfdEntry* start = ifd.Find(startTag);
        const IfdEntry* length = ifd.Find(lengthTag);
        if (!start || (start->type != kShort && start->type != kLong)) continue;
        for (std::uint64_t i = 0; i < start->count; ++i) {
            const std::uint64_t begin = value(*start, i);
            const bool sized =
                length && i < length->count && (length->type == kShort || length->type == kLong);
            if (begin + (sized ? value(*length, i) : 0) > block.Size())
                throw Refused("EXIF refers to data outside its block at offset " +
                              std::to_string(begin));
        }
    }
}

// Every directory a writer relies on is read in full, so that a file is refused before any of
// its bytes could be misread, not after.
Structure ReadStructure(const TiffBlock& block) {
    Structure structure;
    std::vector<std::uint32_t> seen;
    const auto read = [&](std::uint32_t offset) {
        if (std::find(seen.begin(), seen.end(), offset) != seen.end())
            throw Refused("EXIF directories in a loop at offset " + std::to_string(offset));
        Ifd ifd = block.ReadIfd(offset);
        if (!seen.empty())
            structure.extents.emplace_back(offset,
                                           offset + 6 + 12 * std::uint64_t{ifd.entries.size()});
        seen.push_back(offset);
        for (const IfdEntry& entry : ifd.entries)
            if (entry.valueSize > 4)
                structure.extents.emplace_back(entry.valueOffset,
                                               entry.valueOffset + entry.valueSize);
        return ifd;
    };
    structure.ifd0 = read(block.FirstIfdOffset());
    RefuseDataOutside(block, structure.ifd0);
    if (structure.ifd0.offset < 8)
        throw Refused("EXIF structures overlap at offset " + std::to_string(structure.ifd0.offset));
    // The thumbnail's directory is kept as it is, but only when it can be read at all.
    if (structure.ifd0.nextOffset != 0) RefuseDataOutside(block, read(structure.ifd0.nextOffset));
    if (const IfdEntry* gps = structure.ifd0.Find(kGpsPointer)) {
        read(PointerValue(block, *gps));
        structure.gpsPointer = *gps;
        structure.facts.hasGps = true;
    }
    const IfdEntry* exifPointer = structure.ifd0.Find(kExifPointer);
    if (!exifPointer) throw Refused("no DateTimeOriginal");
    const Ifd exif = read(PointerValue(block, *exifPointer));
    RefuseOverlap(structure, 0, 8);
    structure.facts.dateTimeOriginal = StoredText(block, exif.Find(kDateTimeOriginal));
    if (structure.facts.dateTimeOriginal.empty()) throw Refused("no DateTimeOriginal");
    structure.facts.subSecTimeOriginal = Trim(StoredText(block, exif.Find(kSubSecTimeOriginal)));
    structure.facts.offsetTimeOriginal = Trim(StoredText(block, exif.Find(kOffsetTimeOriginal)));
    return structure;
}

// A plain decimal text ("-12.5", "35", ".5"): its value is scaled / 10^decimals.
struct Decimal {
    bool negative = false;
    std::uint64_t scaled = 0;
    std::size_t decimals = 0;
};

// At most `maxDecimals` decimals are kept, rounded half away from zero.
Decimal ParseDecimal(std::string_view text, std::size_t maxDecimals) {
    const std::string original(text);
    Decimal result;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        result.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const std::size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view fraction = dot == text.npos ? "" : text.substr(dot + 1);
    const auto digits = [](std::string_view part) {
        return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if ((whole.empty() && fraction.empty()) || !digits(whole) || !digits(fraction))
        throw std::invalid_argument("not a plain decimal: \"" + original + "\"");
    for (const char c : whole) {
        result.scaled = result.scaled * 10 + static_cast<std::uint64_t>(c - '0');
        if (result.scaled > kMaxU32) throw std::invalid_argument("out of range: " + original);
    }
    result.decimals = std::min(fraction.size(), maxDecimals);
    for (std::size_t i = 0; i < result.decimals; ++i)
        result.scaled = result.scaled * 10 + static_cast<std::uint64_t>(fraction[i] - '0');
    if (fraction.size() > result.decimals && fraction[result.decimals] >= '5') ++result.scaled;
    return result;
}

struct Rational {
    std::uint64_t numerator = 0;
    std::uint64_t denominator = 1;
};

// Trailing zeros dropped: 30.5 s is 305/10, not 30500000/1000000.
Rational Reduced(std::uint64_t numerator, std::uint64_t denominator) {
    while (denominator % 10 == 0 && numerator % 10 == 0) {
        numerator /= 10;
        denominator /= 10;
    }
    return {numerator, denominator};
}

std::string RationalBytes(ByteOrder order, std::initializer_list<Rational> values) {
    std::string bytes;
    for (const Rational& value : values) {
        if (value.numerator > kMaxU32 || value.denominator > kMaxU32)
            throw std::invalid_argument("GPS value out of range");
        AppendU32(bytes, order, static_cast<std::uint32_t>(value.numerator));
        AppendU32(bytes, order, static_cast<std::uint32_t>(value.denominator));
    }
    return bytes;
}

struct Field {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::string value; // in the block's byte order
};

// Reference ("N"), then degrees, minutes and seconds, exact from the text's digits: every
// quantity is an integer count of 10^-k, so no binary fraction rounds them.
std::array<Field, 2> CoordinateFields(std::uint16_t tag, std::string_view text, std::uint64_t limit,
                                      char positive, char negative, ByteOrder order) {
    const Decimal degrees = ParseDecimal(text, 7);
    const std::uint64_t unit = kPowersOfTen[degrees.decimals];
    if (degrees.scaled > limit * unit)
        throw std::invalid_argument("coordinate out of range: " + std::string(text));
    const std::uint64_t minutes = degrees.scaled % unit * 60;
    const std::uint64_t seconds = minutes % unit * 60;
    const char reference = degrees.negative && degrees.scaled != 0 ? negative : positive;
    return {
        {{tag, kAscii, 2, std::string{reference, '\0'}},
         {static_cast<std::uint16_t>(tag + 1), kRational, 3,
          RationalBytes(
              order, {{degrees.scaled / unit, 1}, {minutes / unit, 1}, Reduced(seconds, unit)})}}};
}

std::array<Field, 2> AltitudeFields(std::string_view text, ByteOrder order) {
    // Fewer decimals where six would not fit the 32-bit numerator (above 4294 m), each count
    // rounded from the text's own digits.
    Decimal metres = ParseDecimal(text, 6);
    for (std::size_t decimals = 6; metres.scaled > kMaxU32 && decimals > 0;)
        metres = ParseDecimal(text, --decimals);
    const char below = metres.negative && metres.scaled != 0 ? 1 : 0;
    return {{{0x0005, kByte, 1, std::string(1, below)},
             {0x0006, kRational, 1,
              RationalBytes(order, {Reduced(metres.scaled, kPowersOfTen[metres.decimals])})}}};
}

std::string TwoDigits(unsigned value) {
    return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

std::array<Field, 2> MomentFields(std::int64_t utcMicroseconds, ByteOrder order) {
    constexpr std::int64_t kDay = 86'400'000'000;
    const std::int64_t day = utcMicroseconds / kDay - (utcMicroseconds % kDay < 0 ? 1 : 0);
    const auto inDay = static_cast<std::uint64_t>(utcMicroseconds - day * kDay);
    const std::chrono::year_month_day date{
        std::chrono::sys_days{std::chrono::days{static_cast<std::chrono::days::rep>(day)}}};
    const int year = static_cast<int>(date.year());
    if (year < 0 || year > 9999) throw std::invalid_argument("year out of range for GPS");
    const std::string dateStamp = TwoDigits(static_cast<unsigned>(year / 100)) +
                                  TwoDigits(static_cast<unsigned>(year % 100)) + ":" +
                                  TwoDigits(static_cast<unsigned>(date.month())) + ":" +
                                  TwoDigits(static_cast<unsigned>(date.day())) +
                                  std::string(1, '\0');
    const std::uint64_t seconds = inDay / 1'000'000;
    return {{{0x0007, kRational, 3,
              RationalBytes(order, {{seconds / 3600, 1},
                                    {seconds / 60 % 60, 1},
                                    Reduced(inDay % 60'000'000, 1'000'000)})},
             {0x001D, kAscii, static_cast<std::uint32_t>(dateStamp.size()), dateStamp}}};
}

// In tag order, as a directory must list them.
std::vector<Field> GpsFields(const GpsTags& tags, ByteOrder order) {
    std::vector<Field> fields{{0x0000, kByte, 4, std::string{2, 3, 0, 0}}};
    for (Field& field : CoordinateFields(0x0001, tags.latitude, 90, 'N', 'S', order))
        fields.push_back(std::move(field));
    for (Field& field : CoordinateFields(0x0003, tags.longitude, 180, 'E', 'W', order))
        fields.push_back(std::move(field));
    if (tags.altitude)
        for (Field& field : AltitudeFields(*tags.altitude, order))
            fields.push_back(std::move(field));
    for (Field& field : MomentFields(tags.utcMicroseconds, order))
        fields.push_back(std::move(field));
    return fields;
}

void AppendEntry(std::string& block, ByteOrder order, std::uint16_t tag, std::uint16_t type,
                 std::uint32_t count) {
    AppendU16(block, order, tag);
    AppendU16(block, order, type);
    AppendU32(block, order, count);
}

std::uint32_t EndOfIfd(std::size_t offset, std::size_t entries) {
    return static_cast<std::uint32_t>(offset + 2 + 12 * entries + 4);
}

// The GPS directory at the end of the block, its longer values after it, each at an even offset.
void AppendGpsIfd(std::string& block, ByteOrder order, const std::vector<Field>& fields) {
    const std::uint32_t valuesOffset = EndOfIfd(block.size(), fields.size());
    std::string values;
    AppendU16(block, order, static_cast<std::uint16_t>(fields.size()));
    for (const Field& field : fields) {
        AppendEntry(block, order, field.tag, field.type, field.count);
        if (field.value.size() <= 4) {
            block += field.value;
            block.append(4 - field.value.size(), '\0');
        } else {
            AppendU32(block, order, valuesOffset + static_cast<std::uint32_t>(values.size()));
            values += field.value;
            if (values.size() % 2 != 0) values += '\0';
        }
    }
    AppendU32(block, order, 0);
    block += values;
}

// IFD0's entries as they are, byte for byte (their values stay where they were), with a GPSInfo
// entry among them in tag order.
void AppendIfd0WithGps(std::string& block, const TiffBlock& old, const Ifd& ifd0,
                       std::uint32_t gpsOffset) {
    const ByteOrder order = old.Order();
    AppendU16(block, order, static_cast<std::uint16_t>(ifd0.entries.size() + 1));
    bool placed = false;
    const auto gpsEntry = [&] {
        AppendEntry(block, order, kGpsPointer, kLong, 1);
        AppendU32(block, order, gpsOffset);
        placed = true;
    };
    for (const IfdEntry& entry : ifd0.entries) {
        if (!placed && entry.tag > kGpsPointer) gpsEntry();
        block += old.Bytes(entry.entryOffset, 12);
    }
    if (!placed) gpsEntry();
    AppendU32(block, order, ifd0.nextOffset);
}

void PutU32(std::string& block, std::size_t offset, ByteOrder order, std::uint32_t value) {
    std::string bytes;
    AppendU32(bytes, order, value);
    block.replace(offset, bytes.size(), bytes);
}

TiffBlock TiffOf(std::string_view jpeg, const ExifSegment& segment) {
    return TiffBlock(jpeg.substr(segment.tiffOffset, segment.end - segment.tiffOffset));
}

} // namespace

ExifFacts ReadExif(std::string_view jpeg) {
    return ReadStructure(TiffOf(jpeg, FindExifSegment(jpeg))).facts;
}

ExifFacts ReadTiffExif(std::string_view file) {
    if (file.size() < 4 || (file.substr(0, 4) != std::string_view("II*\0", 4) &&
                            file.substr(0, 4) != std::string_view("MM\0*", 4)))
        throw Refused("not a JPEG or a raw file in TIFF form");
    return ReadStructure(TiffBlock(file)).facts;
}

std::string AddGps(std::string_view jpeg, const GpsTags& tags, bool overwrite) {
    const ExifSegment segment = FindExifSegment(jpeg);
    const TiffBlock old = TiffOf(jpeg, segment);
    const Structure structure = ReadStructure(old);
    if (structure.gpsPointer && !overwrite) throw Refused("has GPS already");
    const ByteOrder order = old.Order();
    const std::vector<Field> fields = GpsFields(tags, order);

    // Everything new goes after the old block, which keeps every byte at its offset but the
    // one pointer that leads to the new directories.
    std::string block(old.Bytes(0, old.Size()));
    if (block.size() % 2 != 0) block += '\0';
    const auto appended = static_cast<std::uint32_t>(block.size());
    if (structure.gpsPointer) {
        RefuseOverlap(structure, structure.gpsPointer->valueOffset,
                      structure.gpsPointer->valueOffset + 4);
        PutU32(block, structure.gpsPointer->valueOffset, order, appended);
    } else {
        AppendIfd0WithGps(block, old, structure.ifd0,
                          EndOfIfd(appended, structure.ifd0.entries.size() + 1));
        PutU32(block, 4, order, appended);
    }
    AppendGpsIfd(block, order, fields);
    if (kExifMagic.size() + block.size() > kMaxSegmentPayload)
        throw Refused("EXIF would exceed 64 KiB");

    const std::size_t length = 2 + kExifMagic.size() + block.size();
    std::string out;
    out.reserve(jpeg.size() + block.size() - old.Size());
    out.append(jpeg.substr(0, segment.lengthOffset));
    out += static_cast<char>(length >> 8);
    out += static_cast<char>(length & 0xFF);
    out.append(kExifMagic);
    out.append(block);
    out.append(jpeg.substr(segment.end));
    return out;
}

} // namespace nordavel::exif
