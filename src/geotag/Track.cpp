#include "geotag/Track.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <new>
#include <span>

#include "conversion/CsvLayout.h"
#include "conversion/LogScanner.h"
#include "conversion/UtcTime.h"
#include "platform/IoError.h"
#include "text/TextFile.h"

namespace nordavel::geotag {

namespace {

// The value of a decimal text (IsDecimal), which from_chars takes but for a "+".
double DecimalValue(std::string_view text) noexcept {
    text = WithoutPlus(text);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// The points of one log in its order, each given its time once the settler has settled it.
class TrackReader {
public:
    explicit TrackReader(const GpxOptions& clock) : times_(clock) {}

    void Add(std::string_view dateTime, std::string_view coordinates) {
        // Checked before the time is settled: GPX settles only the points it writes.
        const CoordinateTexts values = SplitCoordinates(coordinates);
        const std::string_view latitude = WithoutPlus(values.latitude);
        const std::string_view longitude = WithoutPlus(values.longitude);
        if (!IsLatitude(latitude) || !IsLongitude(longitude)) return;
        Fix& fix = waiting_.emplace_back();
        fix.latitudeText = latitude;
        fix.longitudeText = longitude;
        fix.latitude = DecimalValue(latitude);
        fix.longitude = DecimalValue(longitude);
        if (IsDecimal(values.height)) {
            fix.heightText = std::string(WithoutPlus(values.height));
            fix.height = DecimalValue(*fix.heightText);
        }
        Keep(times_.Add(LocalSeconds(dateTime)));
    }

    std::vector<Fix> Finish() {
        Keep(times_.Finish());
        // The log's order may go back in time (a clock set back, an hour repeated).
        std::stable_sort(fixes_.begin(), fixes_.end(), [](const Fix& a, const Fix& b) {
            return a.utcMicroseconds < b.utcMicroseconds;
        });
        return std::move(fixes_);
    }

private:
    // The settled times are those of the waiting points, in order, or none while they wait.
    void Keep(std::span<const std::optional<std::int64_t>> settled) {
        if (settled.empty()) return;
        for (std::size_t i = 0; i < waiting_.size(); ++i) {
            if (!settled[i]) continue;
            waiting_[i].utcMicroseconds = *settled[i] * 1'000'000;
            fixes_.push_back(std::move(waiting_[i]));
        }
        waiting_.clear();
    }

    UtcSettler times_;
    std::vector<Fix> waiting_;
    std::vector<Fix> fixes_;
};

} // namespace

std::optional<Track> ReadTrack(const std::string& logFileName, const GpxOptions& clock,
                               ConversionReport& report, const CodePage& codePage) {
    std::unique_ptr<InputTextFile> log;
    try {
        try {
            log = std::make_unique<InputTextFile>(logFileName, codePage,
                                                  TextReader::LetterCase::Lower);
        } catch (const IoError&) {
            report.NotFound(logFileName);
            return std::nullopt;
        }
        TrackReader reader(clock);
        const bool cameraLog =
            ForEachTrackPoint(log->Reader(), [&reader](std::string_view, std::string_view dateTime,
                                                       std::string_view coordinates) {
                reader.Add(dateTime, coordinates);
            });
        log->Close();
        if (!cameraLog) {
            report.NotCameraLog(logFileName);
            report.Failed();
            return std::nullopt;
        }
        return Track{logFileName, reader.Finish()};
    } catch (const LineTooLong& tooLong) {
        report.LineTooLong(logFileName, tooLong.Limit());
        report.Failed();
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        if (log) report.Failed();
        throw IoError(OutOfMemoryError(), "Cannot read", logFileName);
    } catch (...) {
        report.Failed();
        throw;
    }
}

} // namespace nordavel::geotag
