#pragma once
// The traces behind the result lines. The Wood-Anderson line gives its peak as a sample offset
// from the start of the trace the analyser measured (after any window cut), and only the save
// files of a run (-s) record that start: "NAME.wood" and "NAME.ground" in the run folder date
// the Wood-Anderson peaks and give every amplitude its window.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "time/int_time.hpp"

namespace tw::mag {

struct TraceSpan {
    std::string station, channel, network; // codes of the save record, trimmed
    int_time start{};                      // time of the first sample
    int sample_rate = 0;                   // samples per second
    int npts = 0;

    // Seconds from the first to the last sample.
    double duration_s() const { return npts > 1 ? (npts - 1) / double(sample_rate) : 0.0; }
    // Time of sample `offset` (0 = the first).
    int_time sample_time(long long offset) const;
};

// The header of one save record; nothing when the line is no save-record header.
std::optional<TraceSpan> parse_save_header(std::string_view line);

// Keyed by save-file kind ("wood", "ground"), station and channel.
using SpanKey = std::tuple<std::string, std::string, std::string>;
using TraceSpans = std::map<SpanKey, TraceSpan>;

// The last record of every "*.wood" and "*.ground" file in `dir`; files that fit no save
// layout are listed in `problems`.
TraceSpans read_trace_spans(const std::filesystem::path& dir, std::vector<std::string>& problems);

// The span of a station and channel in save files of that kind, if any.
const TraceSpan* find_span(const TraceSpans& spans, std::string_view kind, std::string_view station,
                           std::string_view channel);

} // namespace tw::mag
