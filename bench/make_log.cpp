// Writes a camera log of about the requested size to standard output, one element per line with
// CR LF line ends, as a camera lays it out: a track walked at a steady pace around Tokyo with
// plausible heights and one point per second.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 200.0;
    const auto target = static_cast<std::uint64_t>(megabytes * 1024.0 * 1024.0);

    std::string out;
    out.reserve(1 << 20);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
           "<kml xmlns=\"http://earth.google.com/kml/2.2\">\r\n"
           "<Document>\r\n"
           "\t<name>EXILIM LOG</name>\r\n"
           "\t<description>GPS log 2023/07/06</description>\r\n"
           "\t<Style id=\"track\">\r\n"
           "\t\t<IconStyle><scale>0.5</scale></IconStyle>\r\n"
           "\t</Style>\r\n";
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
        const int n = std::snprintf(
            line, sizeof line,
            "\t<Placemark>\r\n"
            "\t\t<name>%llu</name>\r\n"
            "\t\t<styleUrl>#track</styleUrl>\r\n"
            "\t\t<description>Camera<br>(2023/07/%02u %02u:%02u:%02u)</description>\r\n"
            "\t\t<Point>\r\n"
            "\t\t\t<coordinates>%.6f,%.6f,%.1f</coordinates>\r\n"
            "\t\t</Point>\r\n"
            "\t</Placemark>\r\n",
            static_cast<unsigned long long>(index), day, hh, mm, ss, longitude, latitude, height);
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
