#include "estimators/result_lines.hpp"

#include <cmath>
#include <limits>
#include <string_view>

#include "text/format.hpp"

namespace tw {
namespace {

// The station code up to its last non-blank, at most 4 characters.
std::string_view station_code(const TraceHeader& head) {
    const std::string_view stat = head.stat.prefix(4);
    return stat.substr(0, static_cast<std::size_t>(klen(stat)));
}

// A 10-column, 3-decimal number with its blanks taken off.
std::string trimmed_f(float value) {
    return std::string(strip_blanks(format_f(value, 10, 3)));
}

// Columns 1-53 of the ground and shake lines: identity, orientation, kind of line and the date.
FixedLine ground_start(const TraceHeader& head, std::string_view kind, const ext_time& when) {
    FixedLine line;
    line.text(" ").a(station_code(head), 4).text(" ").a(head.chan.prefix(3), 3).text(" ");
    line.text(" ").a(head.network.prefix(2), 2).text(" ").text(kind);
    line.f(head.azi, 4, 0).text(" ").f(head.dip, 4, 0).text(" ");
    line.i(when.year, 4).text(" ").i(when.doy, 3).text(" ").i(when.hour, 2).text(" ");
    line.i(when.minute, 2).text(" ").i(when.second, 2).text(" ").i(when.usec / 100, 5).text(" ");
    return line;
}

// The opening columns of the three-component lines (EMAG, RAMP): blank, station, blank, band and
// instrument letters, blank, network between blanks, blank, the line's label.
FixedLine station_group_start(const TraceHeader& head, std::string_view label) {
    FixedLine line;
    line.blanks(1).a(station_code(head), 4).blanks(1).a(head.chan.prefix(2), 2).blanks(1);
    line.blanks(1).a(head.network.prefix(2), 2).blanks(1).blanks(1).text(label);
    return line;
}

// Latitude, longitude and distance closing the ground and shake lines.
std::string place(FixedLine& line, const TraceHeader& head, float rdist) {
    return line.f(head.slat, 7, 3).text(" ").f(head.slon, 8, 3).text(" ").f(rdist, 12, 5).str();
}

} // namespace

std::string wood_line(const TraceHeader& head, const PeakPeriod& peak) {
    // log10 of a zero amplitude or period has no value: the field is filled with asterisks
    const float xmag = peak.amax > 0.0f && peak.per > 0.0f ? std::log10(peak.amax / peak.per)
                                                           : std::numeric_limits<float>::infinity();
    FixedLine line;
    line.text(" ").text(station_code(head)).text(head.chan.prefix(3)).text(" WAS ");
    line.text(trimmed_f(peak.amax)).text(" ").text(trimmed_f(peak.per)).text(" ");
    line.text(strip_blanks(format_i(peak.imax - 1, 10))).text(" ").text(trimmed_f(xmag));
    return line.str();
}

int_time peak_time(const int_time& stime, int imax, float dt) {
    int_time t;
    f_add_dtime(stime, static_cast<double>(imax) * static_cast<double>(dt) * 1.0e6, t);
    return t;
}

std::string ground_line(const TraceHeader& head, const char* kind, float amax, float per,
                        const ext_time& when, float rdist) {
    const std::string label = std::string(" ") + kind + " ";
    FixedLine line = ground_start(head, label, when);
    line.f(amax, 12, 5).f(1.0f / per, 12, 5);
    return place(line, head, rdist);
}

std::array<std::string, 3> ground_lines(const TraceHeader& head, const GroundMotion& motion,
                                        float rdist) {
    const float dt = head.sample_interval();
    const auto line = [&](const char* kind, const PeakPeriod& peak) {
        // metres to millimetres; periods stay in seconds
        return ground_line(head, kind, peak.amax * 1000.0f, peak.per,
                           int_to_ext(peak_time(head.stime, peak.imax, dt)), rdist);
    };
    return {line("PGA", motion.acc), line("PGV", motion.vel), line("PGD", motion.dsp)};
}

std::string shake_line(const TraceHeader& head, const std::array<float, 4>& shake,
                       const ext_time& when, float rdist) {
    FixedLine line = ground_start(head, " SHAK", when);
    for (float sd : shake)
        line.f(sd, 7, 3);
    return place(line, head, rdist);
}

std::string shake_line(const TraceHeader& head, const GroundMotion& motion, float rdist) {
    const float dt = head.sample_interval();
    const ext_time when = int_to_ext(peak_time(head.stime, motion.dsp.imax, dt));
    return shake_line(head, motion.shake, when, rdist);
}

std::string energy_line(const TraceHeader& head, const EnergyEstimate& e) {
    FixedLine line = station_group_start(head, " EMAG ");
    line.blanks(1).f(e.magnitude, 5, 2).blanks(1).f(e.rdist, 7, 2).blanks(1);
    line.e(e.energy, 15, 5).e(e.totint, 15, 5);
    return line.str();
}

std::string ramp_line(const TraceHeader& head, const RampEstimate& e, bool clipped) {
    const ext_time t = int_to_ext(e.stime);
    FixedLine line = station_group_start(head, " RAMP ");
    line.blanks(1).f(e.fmw, 5, 2).blanks(1).f(e.dist, 7, 2).blanks(1);
    line.i(t.year, 4).blanks(1).i(t.doy, 3).blanks(1).i(t.hour, 2).blanks(1).i(t.minute, 2);
    line.blanks(1).i(t.second, 2).blanks(1).i(t.usec / 100, 5).blanks(1);
    for (float seconds : {e.start, e.span, e.step, e.window_length})
        line.f(seconds, 6, 2).blanks(1);
    line.f(e.semw, 4, 2).blanks(1).e(e.fm0, 12, 5).blanks(1).e(e.sem0, 12, 5).blanks(1);
    line.e(e.chi, 10, 5).blanks(1).e(e.cvar, 10, 5).blanks(1);
    line.e(e.gamma_b, 12, 5).blanks(1).e(e.gamma_c, 12, 5).blanks(1);
    line.e(e.gamma_es, 12, 5).blanks(1).e(e.gamma_se, 12, 5);
    if (clipped) line.blanks(1).a(" possible clipping", 19);
    return line.str();
}

} // namespace tw
