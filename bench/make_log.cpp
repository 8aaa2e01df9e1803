// Writes a camera log of about the requested size to standard output, CR LF line ends: a track
// walked at a steady pace around Tokyo with plausible heights and one point per second.
//
//   nordavel_make_log [MEGABYTES] [KIND]
//
// KIND is the layout and the text of the descriptions:
//   indented  one element per line, tab-indented, as the camera writes it (the default)
//   flat      no indentation, Point and coordinates on one line, short placemarks
//   cp1252    the flat log with one accented letter (cp1252) in every 20th description
//   cp932     the flat log with Japanese descriptions (cp932)
// The flat kinds differ only in the bytes of their descriptions, which have the same length in
// all three, so that their logs have the same lines of the same lengths.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

enum class Kind { Indented, Flat, Cp1252, Cp932 };

constexpr const char* kWords[] = {"Camera", "Bridge", "Harbor", "Garden", "Summit", "Museum"};
// The same words with one vowel accented, in cp1252.
constexpr const char* kAccented[] = {"Cam\xE9ra", "Bridg\xE9", "H\xE1rbor",
                                     "G\xE1rden", "S\xFAmmit", "M\xFAseum"};
// Six bytes each in cp932: camera, on the bridge, by the harbour, in the garden, on the mountain,
// museum. Some second bytes are capital letters in ASCII (0x4A, 0x4F, 0x52).
constexpr const char* kJapanese[] = {"\x83\x4A\x83\x81\x83\x89", "\x8B\xB4\x82\xCC\x8F\xE3",
                                     "\x8D\x60\x82\xCC\x91\x4F", "\x92\xEB\x89\x80\x93\xE0",
                                     "\x8E\x52\x82\xCC\x8F\xE3", "\x94\x8E\x95\xA8\x8A\xD9"};
constexpr std::size_t kWordCount = sizeof kWords / sizeof kWords[0];

const char* Description(Kind kind, std::uint64_t index) {
    const std::size_t word = index % kWordCount;
    switch (kind) {
    case Kind::Indented:
        return "Camera";
    case Kind::Flat:
        return kWords[word];
    case Kind::Cp1252:
        return index % 20 == 0 ? kAccented[word] : kWords[word];
    case Kind::Cp932:
        return kJapanese[word];
    }
    return "";
}

bool ParseKind(const char* name, Kind& kind) {
    const struct {
        const char* name;
        Kind kind;
    } kinds[] = {{"indented", Kind::Indented},
                 {"flat", Kind::Flat},
                 {"cp1252", Kind::Cp1252},
                 {"cp932", Kind::Cp932}};
    for (const auto& known : kinds) {
        if (std::strcmp(name, known.name) == 0) {
            kind = known.kind;
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 200.0;
    Kind kind = Kind::Indented;
    if (argc > 2 && !ParseKind(argv[2], kind)) {
        std::fprintf(stderr, "usage: %s [MEGABYTES] [indented|flat|cp1252|cp932]\n", argv[0]);
        return 2;
    }
    const auto target = static_cast<std::uint64_t>(megabytes * 1024.0 * 1024.0);
    const bool indented = kind == Kind::Indented;

    std::string out;
    out.reserve(1 << 20);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
           "<kml xmlns=\"http://earth.google.com/kml/2.2\">\r\n"
           "<Document>\r\n";
    out += indented ? "\t<name>EXILIM LOG</name>\r\n"
                      "\t<description>GPS log 2023/07/06</description>\r\n"
                      "\t<Style id=\"track\">\r\n"
                      "\t\t<IconStyle><scale>0.5</scale></IconStyle>\r\n"
                      "\t</Style>\r\n"
                    : "<name>EXILIM LOG</name>\r\n"
                      "<description>GPS log 2023/07/06</description>\r\n";
    const char* const placemark =
        indented ? "\t<Placemark>\r\n"
                   "\t\t<name>%llu</name>\r\n"
                   "\t\t<styleUrl>#track</styleUrl>\r\n"
                   "\t\t<description>%s<br>(2023/07/%02u %02u:%02u:%02u)</description>\r\n"
                   "\t\t<Point>\r\n"
                   "\t\t\t<coordinates>%.6f,%.6f,%.1f</coordinates>\r\n"
                   "\t\t</Point>\r\n"
                   "\t</Placemark>\r\n"
                 : "<Placemark>\r\n"
                   "<name>%llu</name>\r\n"
                   "<description>%s<br>(2023/07/%02u %02u:%02u:%02u)</description>\r\n"
                   "<Point><coordinates>%.6f,%.6f,%.1f</coordinates></Point>\r\n"
                   "</Placemark>\r\n";
    std::uint64_t written = 0;
    double longitude = 139.767125;
    double latitude = 35.681236;
    double height = 40.0;
    char line[512];
    for (std::uint64_t index = 1; written + out.size() < target; ++index) {
        const std::uint64_t second = index - 1;
        const unsigned hh = static_cast<unsigned>((10 + second / 3600) % 24);
        const unsigned mm = static_cast<unsigned>((second / 60) % 60);
        const unsigned ss = static_cast<unsigned>(second % 60);
        const unsigned day = static_cast<unsigned>(1 + (second / 86400) % 28);
        longitude += 0.000011 * static_cast<double>((index % 7) + 1) / 4.0;
        latitude += 0.000007 * static_cast<double>((index % 5) + 1) / 3.0 - 0.000003;
        height += (index % 11 < 5) ? 0.3 : -0.25;
        const int n =
            std::snprintf(line, sizeof line, placemark, static_cast<unsigned long long>(index),
                          Description(kind, index), day, hh, mm, ss, longitude, latitude, height);
        out.append(line, static_cast<std::size_t>(n));
        if (out.size() >= (1u << 20)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            written += out.size();
            out.clear();
        }
    }
    out += "</Document>\r\n</kml>\r\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
