#pragma once

#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "exif/Exif.h"

// The TIFF structure inside a JPEG's EXIF block, read strictly within the block: every offset
// is checked before it is followed, so that a damaged or hostile file is refused rather than
// read past its end. Offsets are from the start of the TIFF header, as the format counts them.
namespace nordavel::exif {

enum class ByteOrder { Little, Big };

// Field types and their unit sizes; 0 for a type this reader does not know, whose value is then
// left alone (never followed).
enum FieldType : std::uint16_t {
    kByte = 1,
    kAscii = 2,
    kShort = 3,
    kLong = 4,
    kRational = 5,
    kUndefined = 7,
    kSignedLong = 9,
    kIfdPointer = 13,
};
constexpr std::uint32_t FieldTypeSize(std::uint16_t type) noexcept {
    constexpr std::uint8_t kSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < std::size(kSizes) ? kSizes[type] : 0;
}

struct IfdEntry {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::uint32_t entryOffset = 0; // of the 12 bytes of the entry
    std::uint32_t valueOffset = 0; // of the value itself: inside the entry when it fits in 4 bytes
    std::uint64_t valueSize = 0;   // 0 for an unknown type
};

struct Ifd {
    std::uint32_t offset = 0;
    std::vector<IfdEntry> entries;
    std::uint32_t nextOffset = 0;

    // The first entry of the tag: files with a tag twice are read as every common reader does.
    const IfdEntry* Find(std::uint16_t tag) const& noexcept {
        for (const IfdEntry& entry : entries)
            if (entry.tag == tag) return &entry;
        return nullptr;
    }
    // An entry of a directory about to be destroyed would dangle.
    const IfdEntry* Find(std::uint16_t tag) const&& = delete;
};

inline std::string OutOfBounds(std::uint64_t offset) {
    return "EXIF structure out of bounds at offset " + std::to_string(offset);
}

class TiffBlock {
public:
    // Throws Refused unless the block starts with a TIFF header in either byte order.
    explicit TiffBlock(std::string_view bytes) : bytes_(bytes) {
        if (bytes.size() < 8 || !(bytes.substr(0, 4) == std::string_view("II*\0", 4) ||
                                  bytes.substr(0, 4) == std::string_view("MM\0*", 4)))
            throw Refused("EXIF block without a TIFF header");
        order_ = bytes[0] == 'I' ? ByteOrder::Little : ByteOrder::Big;
    }

    ByteOrder Order() const noexcept { return order_; }
    std::size_t Size() const noexcept { return bytes_.size(); }
    std::uint32_t FirstIfdOffset() const { return U32(4); }

    std::uint16_t U16(std::uint64_t offset) const {
        Check(offset, 2);
        return static_cast<std::uint16_t>(order_ == ByteOrder::Little
                                              ? Byte(offset) | Byte(offset + 1) << 8
                                              : Byte(offset) << 8 | Byte(offset + 1));
    }
    std::uint32_t U32(std::uint64_t offset) const {
        const std::uint32_t first = U16(offset);
        const std::uint32_t second = U16(offset + 2);
        return order_ == ByteOrder::Little ? first | second << 16 : first << 16 | second;
    }
    std::string_view Bytes(std::uint64_t offset, std::uint64_t size) const {
        Check(offset, size);
        return bytes_.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(size));
    }

    // The directory at `offset`, its entries and every value of a known type inside the block.
    Ifd ReadIfd(std::uint32_t offset) const {
        Ifd ifd;
        ifd.offset = offset;
        const std::uint16_t count = U16(offset);
        Check(offset, 2 + 12 * std::uint64_t{count} + 4);
        for (std::uint32_t i = 0; i < count; ++i) {
            IfdEntry entry;
            entry.entryOffset = offset + 2 + 12 * i;
            entry.tag = U16(entry.entryOffset);
            entry.type = U16(entry.entryOffset + 2);
            entry.count = U32(entry.entryOffset + 4);
            entry.valueSize = std::uint64_t{entry.count} * FieldTypeSize(entry.type);
            entry.valueOffset = entry.entryOffset + 8;
            if (entry.valueSize > 4) {
                entry.valueOffset = U32(entry.entryOffset + 8);
                if (entry.valueOffset + entry.valueSize > bytes_.size())
                    throw Refused(OutOfBounds(entry.entryOffset));
            }
            ifd.entries.push_back(entry);
        }
        ifd.nextOffset = U32(offset + 2 + 12 * std::uint64_t{count});
        return ifd;
    }

private:
    unsigned Byte(std::uint64_t offset) const noexcept {
        return static_cast<unsigned char>(bytes_[static_cast<std::size_t>(offset)]);
    }
    void Check(std::uint64_t offset, std::uint64_t size) const {
        if (offset > bytes_.size() || size > bytes_.size() - offset)
            throw Refused(OutOfBounds(offset));
    }

    std::string_view bytes_;
    ByteOrder order_ = ByteOrder::Little;
};

// The block's numbers as it stores them, for what is appended to it.
inline void AppendU16(std::string& out, ByteOrder order, std::uint16_t value) {
    const char high = static_cast<char>(value >> 8);
    const char low = static_cast<char>(value & 0xFF);
    out += order == ByteOrder::Little ? std::string{low, high} : std::string{high, low};
}
inline void AppendU32(std::string& out, ByteOrder order, std::uint32_t value) {
    const auto high = static_cast<std::uint16_t>(value >> 16);
    const auto low = static_cast<std::uint16_t>(value & 0xFFFF);
    AppendU16(out, order, order == ByteOrder::Little ? low : high);
    AppendU16(out, order, order == ByteOrder::Little ? high : low);
}

} // namespace nordavel::exif
