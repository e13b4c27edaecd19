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

// A wood-line number in its field with its blanks taken off.
std::string trimmed_f(float value) {
    const Column& c = wood_line_layout::kNumber;
    return std::string(strip_blanks(format_f(value, c.width, c.decimals)));
}

// The date of a line at its columns.
void date(FixedLine& line, const DateColumns& c, const ext_time& when) {
    line.i(when.year, c.year).i(when.doy, c.doy).i(when.hour, c.hour).i(when.minute, c.minute);
    line.i(when.second, c.second).i(when.usec / 100, c.tenth_ms);
}

// Columns 1-53 of the ground and shake lines: identity, orientation, kind of line and the date.
FixedLine ground_start(const TraceHeader& head, std::string_view kind, const ext_time& when) {
    namespace g = ground_start_layout;
    FixedLine line;
    line.a(station_code(head), g::kStation).a(head.chan.prefix(3), g::kChannel);
    line.a(head.network.prefix(2), g::kNetwork).text(kind, g::kKind);
    line.f(head.azi, g::kAzimuth).f(head.dip, g::kDip);
    date(line, g::kDate, when);
    return line;
}

// The opening columns of the three-component lines (EMAG, RAMP): station, band and instrument
// letters, network, the line's label, magnitude and distance.
FixedLine station_group_start(const TraceHeader& head, std::string_view label, float magnitude,
                              float distance) {
    namespace g = group_start_layout;
    FixedLine line;
    line.a(station_code(head), g::kStation).a(head.chan.prefix(2), g::kBand);
    line.a(head.network.prefix(2), g::kNetwork).text(label, g::kLabel);
    line.f(magnitude, g::kMagnitude).f(distance, g::kDistance);
    return line;
}

} // namespace

std::string wood_line(const TraceHeader& head, const PeakPeriod& peak) {
    // log10 of a zero amplitude or period has no value: the field is filled with asterisks
    const float xmag = peak.amax > 0.0f && peak.per > 0.0f ? std::log10(peak.amax / peak.per)
                                                           : std::numeric_limits<float>::infinity();
    FixedLine line;
    line.text(" ")
        .text(station_code(head))
        .text(head.chan.prefix(3))
        .text(wood_line_layout::kLabel);
    line.text(trimmed_f(peak.amax)).text(" ").text(trimmed_f(peak.per)).text(" ");
    const Column& offset = wood_line_layout::kNumber;
    line.text(strip_blanks(format_i(peak.imax - 1, offset.width))).text(" ").text(trimmed_f(xmag));
    return line.str();
}

int_time peak_time(const int_time& stime, int imax, float dt) {
    int_time t;
    f_add_dtime(stime, static_cast<double>(imax) * static_cast<double>(dt) * 1.0e6, t);
    return t;
}

std::string ground_line(const TraceHeader& head, std::string_view kind, float amax, float per,
                        const ext_time& when, float rdist) {
    namespace g = ground_line_layout;
    FixedLine line = ground_start(head, kind, when);
    line.f(amax, g::kAmplitude).f(1.0f / per, g::kFrequency);
    line.f(head.slat, g::kLatitude).f(head.slon, g::kLongitude).f(rdist, g::kDistance);
    return line.str();
}

std::array<std::string, 3> ground_lines(const TraceHeader& head, const GroundMotion& motion,
                                        float rdist) {
    const float dt = head.sample_interval();
    const auto line = [&](std::string_view kind, const PeakPeriod& peak) {
        // metres to millimetres; periods stay in seconds
        return ground_line(head, kind, peak.amax * 1000.0f, peak.per,
                           int_to_ext(peak_time(head.stime, peak.imax, dt)), rdist);
    };
    const auto& kinds = ground_line_layout::kKinds;
    return {line(kinds[0], motion.acc), line(kinds[1], motion.vel), line(kinds[2], motion.dsp)};
}

std::string shake_line(const TraceHeader& head, const std::array<float, 4>& shake,
                       const ext_time& when, float rdist) {
    namespace g = shake_line_layout;
    FixedLine line = ground_start(head, g::kKind, when);
    for (std::size_t k = 0; k < shake.size(); ++k)
        line.f(shake[k], g::kDurations[k]);
    line.f(head.slat, g::kLatitude).f(head.slon, g::kLongitude).f(rdist, g::kDistance);
    return line.str();
}

std::string shake_line(const TraceHeader& head, const GroundMotion& motion, float rdist) {
    const float dt = head.sample_interval();
    const ext_time when = int_to_ext(peak_time(head.stime, motion.dsp.imax, dt));
    return shake_line(head, motion.shake, when, rdist);
}

std::string energy_line(const TraceHeader& head, const EnergyEstimate& e) {
    namespace g = energy_line_layout;
    FixedLine line = station_group_start(head, g::kLabel, e.magnitude, e.rdist);
    line.e(e.energy, g::kEnergy).e(e.totint, g::kIntegral);
    return line.str();
}

std::string ramp_line(const TraceHeader& head, const RampEstimate& e, bool clipped) {
    namespace g = ramp_line_layout;
    FixedLine line = station_group_start(head, g::kLabel, e.fmw, e.dist);
    date(line, g::kDate, int_to_ext(e.stime));
    const std::array<float, 4> windows = {e.start, e.span, e.step, e.window_length};
    for (std::size_t k = 0; k < windows.size(); ++k)
        line.f(windows[k], g::kWindows[k]);
    line.f(e.semw, g::kMagnitudeError).e(e.fm0, g::kMoment).e(e.sem0, g::kMomentError);
    line.e(e.chi, g::kChi).e(e.cvar, g::kExplained);
    line.e(e.gamma_b, g::kG0).e(e.gamma_c, g::kG1).e(e.gamma_es, g::kG2).e(e.gamma_se, g::kG2Error);
    if (clipped) line.a(g::kClippingText, g::kClipping);
    return line.str();
}

} // namespace tw
