#pragma once

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/ConversionReport.h"
#include "platform/ByteStream.h"

namespace nordavel::test {

// A folder of its own for one test, removed with everything in it afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const noexcept { return path_; }
    // The UTF-8 path of `name` inside the folder, as the core takes paths.
    std::string File(std::string_view name) const;

private:
    std::filesystem::path path_;
};

std::filesystem::path FromUtf8(const std::string& path);
void WriteBytes(const std::string& path, std::string_view bytes);
std::string ReadBytes(const std::string& path);
bool Exists(const std::string& path);
// Names of the entries of a folder, sorted.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);

// Bytes from memory, handed out in pieces of `chunk` bytes; when `failAt` is reached, Read fails
// as a disk would.
class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::string bytes, std::size_t chunk = 7,
                          std::size_t failAt = std::string::npos)
        : bytes_(std::move(bytes)), chunk_(chunk), failAt_(failAt) {}
    std::size_t Read(char* buffer, std::size_t capacity) override;

private:
    std::string bytes_;
    std::size_t chunk_;
    std::size_t failAt_;
    std::size_t position_ = 0;
};

// Bytes to memory; fails once `limit` bytes would be exceeded.
class MemorySink : public ByteSink {
public:
    explicit MemorySink(std::size_t limit = std::string::npos) : limit_(limit) {}
    void Write(const char* data, std::size_t size) override;
    const std::string& Bytes() const noexcept { return bytes_; }

private:
    std::string bytes_;
    std::size_t limit_;
};

// The report's lines as both programs word them, and in `events` in order with "clear" for the
// start of a run and "reveal" for each call for the user's attention.
class RecordingReport : public ReportLines {
public:
    void RunBegun() override { events.push_back("clear"); }
    std::vector<std::string> events;
    std::vector<std::string> lines;

private:
    void Reveal() override { events.push_back("reveal"); }
    void Line(std::string_view text) override {
        events.push_back("line:" + std::string(text));
        lines.emplace_back(text);
    }
};

// A camera log holding the given placemarks, lines ending in CR LF.
struct TrackPoint {
    std::string index;
    std::string dateTime;
    std::string coordinates;
};
std::string CameraLog(const std::vector<TrackPoint>& points);

} // namespace nordavel::test
