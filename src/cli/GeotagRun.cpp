#include "cli/GeotagRun.h"

#include <array>
#include <cstdio>
#include <exception>

#include "base/TextUtil.h"
#include "cli/CliMain.h"
#include "cli/ConsoleReport.h"
#include "cli/FileArguments.h"
#include "conversion/UtcTime.h"
#include "exif/Exif.h"
#include "geotag/PhotoTime.h"
#include "geotag/Track.h"
#include "geotag/Xmp.h"
#include "platform/File.h"
#include "platform/FileReplacement.h"
#include "platform/Folder.h"

namespace nordavel::cli {

namespace {

// In the repeated hour a photo is placed only when both of its readings land this close.
constexpr double kRepeatedHourMetres = 25;

bool IsJpeg(std::string_view name) {
    return HasExtension(name, ".jpg") || HasExtension(name, ".jpeg");
}

// The photos a folder holds besides JPEGs, for sidecars: raw files and HEIC by their extensions,
// so that the logs, sidecars and notes beside them are left alone.
bool IsOtherPhoto(std::string_view name) {
    static constexpr std::array kExtensions{
        ".dng", ".cr2", ".cr3", ".nef", ".nrw", ".arw", ".srf",  ".sr2",  ".orf", ".rw2",
        ".raf", ".pef", ".srw", ".x3f", ".3fr", ".iiq", ".heic", ".heif", ".tif", ".tiff"};
    for (std::string_view extension : kExtensions)
        if (HasExtension(name, extension)) return true;
    return false;
}

std::string ReadWholeFile(InputFile& file) {
    std::string bytes;
    std::array<char, 64 * 1024> buffer{};
    while (const std::size_t count = file.Read(buffer.data(), buffer.size()))
        bytes.append(buffer.data(), count);
    return bytes;
}

// "2023-07-06T01:15:30.25Z": the xsd:dateTime with the fraction's digits that matter.
std::string UtcMicrosecondsText(std::int64_t micros) {
    const std::int64_t seconds =
        micros >= 0 ? micros / 1'000'000 : -((-micros + 999'999) / 1'000'000);
    std::string text = UtcText(seconds).value_or("?");
    if (const std::int64_t fraction = micros - seconds * 1'000'000; fraction != 0) {
        std::array<char, 8> digits{};
        std::snprintf(digits.data(), digits.size(), ".%06lld", static_cast<long long>(fraction));
        std::string_view kept(digits.data());
        while (kept.back() == '0')
            kept.remove_suffix(1);
        text.insert(text.size() - 1, kept);
    }
    return text;
}

class GeotagRun {
public:
    GeotagRun(const GeotagOptions& options, const CodePage& codePage)
        : options_(options), codePage_(codePage) {}

    int Run() {
        try {
            ReadTracks();
            ExpansionRules rules{.recursive = options_.recursive};
            const bool sidecar = options_.sidecar;
            rules.wanted = [sidecar](std::string_view name) {
                return IsJpeg(name) || (sidecar && IsOtherPhoto(name));
            };
            rules.noneInFolder = "No photo in folder: ";
            const ExpandedFiles photos = ExpandFileArguments(options_.photos, rules);
            for (const std::string& note : photos.notes)
                report_.Note(note);
            allTagged_ = photos.notes.empty();
            if (options_.dryRun)
                report_.Write("FILE\tLOCAL TIME\tOFFSET\tUTC\tSECONDS TO FIX\tPLACED\tLATITUDE\t"
                              "LONGITUDE\tHEIGHT\n");
            for (const std::string& photo : photos.files)
                Photo(photo);
            PrintStatuses();
            return allTagged_ ? kExitAllConverted : kExitSomeNotConverted;
        } catch (const std::exception&) {
            try {
                PrintStatuses();
            } catch (const IoError&) {
                // The error that ended the run is the one to tell.
            }
            throw;
        }
    }

private:
    void ReadTracks() {
        const ExpandedFiles logs =
            ExpandFileArguments(options_.logs, {.recursive = options_.recursive});
        for (const std::string& note : logs.notes)
            report_.Note(note);
        for (const std::string& log : logs.files) {
            std::optional<geotag::Track> track =
                geotag::ReadTrack(log, options_.clock, report_, codePage_);
            if (!track) continue;
            std::string line =
                "Track: " + log + ": " + std::to_string(track->fixes.size()) + " points";
            if (!track->fixes.empty())
                line += ", " + UtcMicrosecondsText(track->fixes.front().utcMicroseconds) + " to " +
                        UtcMicrosecondsText(track->fixes.back().utcMicroseconds);
            report_.Note(line);
            tracks_.push_back(std::move(*track));
        }
    }

    void Photo(const std::string& name) {
        const bool jpeg = IsJpeg(name);
        if (!jpeg && !options_.sidecar) return Status("* Not a JPEG (--sidecar for others) ", name);
        std::optional<InputFile> file;
        try {
            file.emplace(InputFile::Open(name));
        } catch (const IoError&) {
            return Status("* Not found ", name);
        }
        const std::string bytes = ReadWholeFile(*file);
        file->Close();
        exif::ExifFacts facts;
        try {
            facts = jpeg ? exif::ReadExif(bytes) : exif::ReadTiffExif(bytes);
        } catch (const exif::Refused& refused) {
            return Status("* Not tagged: " + std::string(refused.what()) + " ", name);
        }
        const std::string sidecarName = name + ".xmp";
        if (jpeg && facts.hasGps && !options_.overwrite)
            return Status("* Has GPS already (--overwrite replaces it) ", name);
        if (!jpeg && Exists(sidecarName)) return Status("* Sidecar exists, left alone ", name);

        const geotag::PhotoTime time = geotag::PhotoTimeOf(
            facts.dateTimeOriginal, facts.subSecTimeOriginal, facts.offsetTimeOriginal,
            options_.clock, options_.photoOffsetSeconds);
        if (time.utcMicroseconds.empty())
            return Status("* Not tagged: its time is not in the zone ", name);
        std::optional<geotag::Position> position =
            geotag::Locate(tracks_, time.utcMicroseconds.front(), options_.limits);
        if (time.utcMicroseconds.size() > 1) {
            const std::optional<geotag::Position> later =
                geotag::Locate(tracks_, time.utcMicroseconds.back(), options_.limits);
            if (!position || !later ||
                geotag::DistanceMetres(std::stod(position->latitude),
                                       std::stod(position->longitude), std::stod(later->latitude),
                                       std::stod(later->longitude)) > kRepeatedHourMetres)
                return Status("* Not tagged: in the repeated hour, its two readings lie apart ",
                              name);
        }
        if (!position) return Status("* Not tagged: no fix near its time ", name);
        if (options_.dryRun) {
            TableRow(name, facts, time, *position);
            return Status("Would be tagged ", name, true);
        }
        if (jpeg) {
            exif::GpsTags tags{position->latitude, position->longitude, position->height,
                               position->utcMicroseconds};
            std::string tagged;
            try {
                tagged = exif::AddGps(bytes, tags, options_.overwrite);
            } catch (const exif::Refused& refused) {
                return Status("* Not tagged: " + std::string(refused.what()) + " ", name);
            }
            Replace(name, tagged, true);
            return Status("Tagged ", name, true);
        }
        Replace(sidecarName, geotag::XmpSidecar(*position), false);
        Status("Sidecar written ", name, true);
    }

    // The file's new content through a temporary file, put in place whole; the photo keeps
    // its modification time, which photo programs sort by.
    void Replace(const std::string& name, const std::string& content, bool keepTime) {
        const std::optional<ModificationTime> time =
            keepTime ? std::optional(ModificationTimeOf(name)) : std::nullopt;
        FileReplacement output(name);
        output.Write(content.data(), content.size());
        const CommitResult committed = output.Commit();
        if (!committed.replaced) throw *committed.error;
        if (committed.error) report_.Warning(committed.error->what());
        if (time) {
            try {
                SetModificationTime(name, *time);
            } catch (const IoError& error) {
                report_.Warning(error.what());
            }
        }
    }

    void TableRow(const std::string& name, const exif::ExifFacts& facts,
                  const geotag::PhotoTime& time, const geotag::Position& position) {
        static constexpr const char* kSources[] = {"tag", "zone", "fixed"};
        std::string local = facts.dateTimeOriginal;
        if (!facts.subSecTimeOriginal.empty()) local += "." + facts.subSecTimeOriginal;
        std::array<char, 32> seconds{};
        std::snprintf(seconds.data(), seconds.size(), "%.1f", position.secondsToFix);
        report_.Write(name + "\t" + local + "\t" + kSources[static_cast<int>(time.source)] + "\t" +
                      UtcMicrosecondsText(position.utcMicroseconds) + "\t" + seconds.data() + "\t" +
                      (position.interpolated ? "interpolated" : "nearest") + "\t" +
                      position.latitude + "\t" + position.longitude + "\t" +
                      position.height.value_or("") + "\n");
    }

    void Status(const std::string& status, const std::string& name, bool tagged = false) {
        statuses_ += status + "> " + name + "\n";
        if (!tagged) allTagged_ = false;
    }

    void PrintStatuses() {
        report_.Write(statuses_);
        statuses_.clear();
    }

    const GeotagOptions& options_;
    const CodePage& codePage_;
    ConsoleReport report_;
    std::vector<geotag::Track> tracks_;
    std::string statuses_;
    bool allTagged_ = true;
};

} // namespace

int RunGeotag(const GeotagOptions& options, const CodePage& logCodePage) {
    return GeotagRun(options, logCodePage).Run();
}

} // namespace nordavel::cli
