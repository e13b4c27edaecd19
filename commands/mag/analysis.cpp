#include "commands/mag/analysis.hpp"

namespace tw::mag {

Analysis analyse(const std::filesystem::path& dir, const Event& event,
                 const std::string& coord_file, const MagnitudeOptions& options) {
    Analysis a;
    a.dir = dir;
    a.event = event;
    a.options = options;
    a.run = read_run(dir);
    a.problems = a.run.problems;
    a.spans = read_trace_spans(dir, a.problems);
    const StationDirectory stations(coord_file, a.run, a.spans);
    complete_rows(a.run, event, stations, a.spans);
    a.ml = local_magnitudes(a.run, event, stations, options);
    a.me = energy_magnitudes(a.run);
    a.mw = ramp_magnitudes(a.run);
    return a;
}

} // namespace tw::mag
