// Arbitrary bytes as a camera log: the scanner, driven in an order taken from the input, and the
// whole conversion of the bytes as a file, to CSV and to GPX. Nothing may crash, leak or leave a
// file behind, and every GPX file must parse as XML (expat) with one trkpt per record counted.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <expat.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <unistd.h>

#include "conversion/ConvertLogFile.h"
#include "conversion/GpxLayout.h"
#include "conversion/LogScanner.h"
#include "platform/IoError.h"

namespace {

using namespace nordavel;

class BytesSource : public ByteSource {
public:
    BytesSource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::size_t Read(char* buffer, std::size_t capacity) override {
        // Small, uneven pieces exercise lines that span reads.
        std::size_t count = std::min({capacity, size_ - position_, std::size_t{13}});
        std::memcpy(buffer, data_ + position_, count);
        position_ += count;
        return count;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// Worded as the programs word it, so that the wording of every event is fuzzed too.
class NullReport final : public ReportLines {
public:
    void RunBegun() override {}

private:
    void Line(std::string_view) override {}
    void Reveal() override {}
};

// In memory where the system has it: every converted file is synced to the disk, which would
// cost most of the fuzzing's time on a real one.
const std::string& WorkFolder() {
    static const std::string folder = [] {
        std::filesystem::path base = "/dev/shm";
        if (!std::filesystem::is_directory(base)) base = std::filesystem::temp_directory_path();
        std::string path = (base / ("nordavel-fuzz-" + std::to_string(::getpid()))).string();
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

void ScanInOrderFromInput(const std::uint8_t* data, std::size_t size, const CodePage& codePage) {
    BytesSource source(data, size);
    TextReader reader(source, codePage);
    LogScanner scanner(reader);
    static constexpr std::string_view kTags[] = {"<name>",        "<description>", "<point>",
                                                 "<coordinates>", "<br>",          ")"};
    std::string text;
    for (std::size_t i = 0; i < size && i < 64 && !reader.AtEnd(); ++i) {
        const std::string_view tag = kTags[data[i] % 6];
        switch ((data[i] / 6) % 5) {
        case 0:
            scanner.FindText(tag);
            break;
        case 1:
            scanner.SkipPastTag(tag);
            break;
        case 2:
            scanner.ElementText(ElementTag(tag), text);
            break;
        case 3:
            scanner.DescriptionText(ElementTag(tag), text);
            break;
        default:
            scanner.NestedElementTextView(tag, ElementTag(kTags[(data[i] + 1) % 6]));
            break;
        }
    }
}

void CheckGpx(const std::string& path, std::int32_t records) {
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    XML_Parser parser = XML_ParserCreate(nullptr);
    std::int32_t points = 0;
    XML_SetUserData(parser, &points);
    XML_SetStartElementHandler(parser, [](void* data, const XML_Char* name, const XML_Char**) {
        if (std::strcmp(name, "trkpt") == 0) ++*static_cast<std::int32_t*>(data);
    });
    const bool wellFormed =
        XML_Parse(parser, bytes.data(), static_cast<int>(bytes.size()), XML_TRUE) == XML_STATUS_OK;
    XML_ParserFree(parser);
    if (!wellFormed || points != records) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const CodePage cp932 = *CodePage::FromName("932");
    static const CodePage cp1252 = *CodePage::FromName("1252");
    const CodePage& codePage = (size > 0 && data[0] & 1) ? cp932 : cp1252;

    ScanInOrderFromInput(data, size, codePage);

    const std::string log = WorkFolder() + "/log.kml";
    FILE* file = std::fopen(log.c_str(), "wb");
    if (!file) std::abort();
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    NullReport report;
    const ConversionOutcome outcome = ConvertLogFile(log, CsvOptions{}, report, codePage);
    const bool csvExists = std::filesystem::exists(WorkFolder() + "/log.csv");
    if (csvExists != (outcome.result == ConversionResult::Converted)) std::abort();
    std::filesystem::remove(WorkFolder() + "/log.csv");

    // Offsets of up to a day either way, from the input.
    GpxTrackLayout gpx(
        {.timeZone = {}, .utcOffsetMinutes = size > 0 ? (data[size - 1] - 128) * 11 : 0});
    const std::int32_t records = ConvertLogFile(log, gpx, report, codePage).records;
    const std::string gpxName = WorkFolder() + "/log.gpx";
    if (std::filesystem::exists(gpxName) != (records > 0)) std::abort();
    if (records > 0) CheckGpx(gpxName, records);
    std::filesystem::remove(gpxName);
    // Nothing but the log may remain: no temporary file.
    if (std::distance(std::filesystem::directory_iterator(WorkFolder()),
                      std::filesystem::directory_iterator()) != 1)
        std::abort();
    return 0;
}
