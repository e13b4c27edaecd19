#include "commands/mag/save_files.hpp"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "text/fields.hpp"
#include "text/format.hpp"

namespace tw::mag {

namespace {

std::string cut(std::string_view line, int first, int last) {
    return std::string(strip_blanks(column(line, first, last)));
}

std::optional<int> whole(std::string_view line, int first, int last) {
    const std::string text = cut(line, first, last);
    if (text.empty()) return std::nullopt;
    return read_int(text);
}

} // namespace

int_time TraceSpan::sample_time(long long offset) const {
    // whole seconds and the remaining samples separately, so that long traces stay exact
    const long long seconds = offset / sample_rate;
    const long long rest = offset % sample_rate;
    return add_time(start, static_cast<int>(seconds),
                    static_cast<int>(std::llround(rest * 1.0e6 / sample_rate)));
}

std::optional<TraceSpan> parse_save_header(std::string_view line) {
    // station 1-4, channel 6-8, network 10-11, dt 13-17, npts 19-24, azimuth, dip, scale,
    // then year 49-52, day 54-56, hour 58-59, minute 61-62, second 64-65, 100 us 67-71
    if (line.size() < 71) return std::nullopt;
    TraceSpan span;
    span.station = cut(line, 1, 4);
    span.channel = cut(line, 6, 8);
    span.network = cut(line, 10, 11);
    const std::string dt_text = cut(line, 13, 17);
    const double dt = dt_text.empty() ? 0.0 : read_double(dt_text).value_or(0.0);
    const auto npts = whole(line, 19, 24);
    const auto year = whole(line, 49, 52), doy = whole(line, 54, 56), hour = whole(line, 58, 59),
               minute = whole(line, 61, 62), second = whole(line, 64, 65),
               tenth_ms = whole(line, 67, 71);
    if (span.station.empty() || !(dt > 0.0) || !npts || *npts < 1 || !year || !doy || !hour ||
        !minute || !second || !tenth_ms)
        return std::nullopt;
    if (*year < 1 || *year > 9999 || *doy < 1 || *doy > 366 || *hour < 0 || *hour > 23 ||
        *minute < 0 || *minute > 59 || *second < 0 || *second > 60 || *tenth_ms < 0 ||
        *tenth_ms > 9999)
        return std::nullopt;
    // The sample rate is a whole number of samples per second; dt is written with 3 decimals.
    span.sample_rate = static_cast<int>(std::lround(1.0 / dt));
    if (span.sample_rate < 1) return std::nullopt;
    span.npts = *npts;
    ext_time et;
    et.year = *year;
    et.doy = *doy;
    dy_to_mdy(et.doy, et.year, et.month, et.day);
    et.hour = *hour;
    et.minute = *minute;
    et.second = *second;
    et.usec = *tenth_ms * 100;
    span.start = ext_to_int(et);
    return span;
}

TraceSpans read_trace_spans(const std::filesystem::path& dir, std::vector<std::string>& problems) {
    TraceSpans spans;
    std::error_code ec;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        const std::string ext = entry.path().extension().string();
        if ((ext == ".wood" || ext == ".ground") && entry.is_regular_file(ec))
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& path : files) {
        std::ifstream in(path, std::ios::binary);
        std::optional<TraceSpan> last;
        std::string line;
        bool readable = true;
        while (std::getline(in, line)) {
            if (strip_blanks(line).empty()) continue;
            const std::optional<TraceSpan> span = parse_save_header(line);
            if (!span) {
                readable = false;
                break;
            }
            last = span;
            // skip the record's samples
            for (int i = 0; i < span->npts && std::getline(in, line); ++i) {
            }
        }
        const std::string kind = path.extension().string().substr(1);
        if (!readable || !last) {
            problems.push_back(path.filename().string() + ": not a save file, not used for times");
            continue;
        }
        spans[{kind, last->station, last->channel}] = *last;
    }
    return spans;
}

const TraceSpan* find_span(const TraceSpans& spans, std::string_view kind, std::string_view station,
                           std::string_view channel) {
    const auto it = spans.find({std::string(kind), std::string(station), std::string(channel)});
    return it == spans.end() ? nullptr : &it->second;
}

} // namespace tw::mag
