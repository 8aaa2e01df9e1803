#include "TestSupport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/IoError.h"

namespace nordavel::test {

namespace fs = std::filesystem;

std::filesystem::path FromUtf8(const std::string& path) {
    return fs::path(std::u8string(path.begin(), path.end()));
}

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = fs::temp_directory_path() /
            ("nordavel-test-" + std::to_string(stamp) + "-" + std::to_string(++counter));
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Read-only files made by a test must not keep the folder alive.
    for (const auto& entry : fs::recursive_directory_iterator(path_, ignored))
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path_, ignored);
}

std::string TempDir::File(std::string_view name) const {
    const std::u8string utf8 =
        (path_ / fs::path(std::u8string(name.begin(), name.end()))).u8string();
    return std::string(utf8.begin(), utf8.end());
}

void WriteBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(FromUtf8(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write test file " + path);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(FromUtf8(path), std::ios::binary);
    if (!in) throw std::runtime_error("cannot read test file " + path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) {
    std::error_code ignored;
    return fs::exists(FromUtf8(path), ignored);
}

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::u8string name = entry.path().filename().u8string();
        names.emplace_back(name.begin(), name.end());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::size_t MemorySource::Read(char* buffer, std::size_t capacity) {
    if (position_ >= failAt_) throw IoError(5, "Cannot read", "memory");
    std::size_t count = std::min({capacity, chunk_, bytes_.size() - position_});
    if (failAt_ != std::string::npos) count = std::min(count, failAt_ - position_);
    std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return count;
}

void MemorySink::Write(const char* data, std::size_t size) {
    if (limit_ != std::string::npos && bytes_.size() + size > limit_)
        throw IoError(28, "Cannot write", "memory");
    bytes_.append(data, size);
}

std::string CameraLog(const std::vector<TrackPoint>& points) {
    std::string log = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                      "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n"
                      "<Document>\r\n"
                      "<name>EXILIM LOG</name>\r\n"
                      "<description>GPS log</description>\r\n";
    for (const TrackPoint& point : points) {
        log += "<Placemark>\r\n";
        log += "<name>" + point.index + "</name>\r\n";
        log += "<description>Track<br>(" + point.dateTime + ")</description>\r\n";
        log += "<Point>\r\n<coordinates>" + point.coordinates + "</coordinates>\r\n</Point>\r\n";
        log += "</Placemark>\r\n";
    }
    log += "</Document>\r\n</kml>\r\n";
    return log;
}

} // namespace nordavel::test
