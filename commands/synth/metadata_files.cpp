#include "commands/synth/metadata_files.hpp"

#include <algorithm>
#include <cmath>

#include "commands/synth/zero_fill.hpp"
#include "text/format.hpp"

namespace tw::synth {
namespace {

constexpr const char* kVelocityUnit = "(DU/MS-1)";
constexpr int kOpenEndYear = 2599;
constexpr int kOpenEndDay = 366;

struct Orientation {
    double azimuth;
    double dip;
};
// Z up (dip -90), N, E.
constexpr std::array<Orientation, 3> kOrientation{{{0.0, -90.0}, {0.0, 0.0}, {90.0, 0.0}}};

std::string hhmm(int hour, int minute) {
    return zero_filled_i(hour, 2) + zero_filled_i(minute, 2);
}

std::string time_of_day(const CalendarTime& t, int decimals) {
    const double seconds = t.second + t.usec * 1e-6;
    return zero_filled_i(t.hour, 2) + ":" + zero_filled_i(t.minute, 2) + ":" +
           zero_filled_f(seconds, 3 + decimals, decimals);
}

std::string trimmed_f(double v, int decimals) {
    return std::string(strip_blanks(format_f(v, 20, decimals)));
}

} // namespace

std::string origin_text(const UtcInstant& origin) {
    const CalendarTime t = origin.calendar();
    return zero_filled_i(t.year, 4) + "/" + zero_filled_i(t.month, 2) + "/" +
           zero_filled_i(t.day, 2) + "/" + time_of_day(t, 3);
}

std::string coordinate_file(const std::vector<StationResult>& stations) {
    std::string out;
    for (const auto& r : stations) {
        const Station& s = r.station;
        out += FixedLine()
                   .a(s.code, 4)
                   .blanks(1)
                   .f(s.latitude, 8, 4)
                   .blanks(1)
                   .f(s.longitude, 9, 4)
                   .blanks(1)
                   .f(s.elevation_m, 6, 1)
                   .str() +
               "\n";
    }
    return out;
}

std::string response_file(const std::vector<StationResult>& stations, int validity_year) {
    std::string out;
    for (const auto& r : stations) {
        for (std::size_t c = 0; c < 3; ++c) {
            const PoleZeroResponse& pz = r.instruments[c].response;
            out += FixedLine()
                       .a(r.station.code, 4)
                       .a(kChannels[c], 4)
                       .blanks(1)
                       .i(validity_year, 4)
                       .blanks(1)
                       .text(zero_filled_i(1, 3))
                       .blanks(1)
                       .text(hhmm(0, 0))
                       .blanks(2)
                       .i(kOpenEndYear, 4)
                       .blanks(1)
                       .i(kOpenEndDay, 3)
                       .blanks(1)
                       .text(hhmm(0, 0))
                       .f(kOrientation[c].azimuth, 8, 2)
                       .f(kOrientation[c].dip, 8, 2)
                       .blanks(1)
                       .a(kVelocityUnit, 9)
                       .blanks(1)
                       .a(kNetwork, 4)
                       .blanks(1)
                       .a(kChannels[c], 3)
                       .str() +
                   "\n";
            // Count line, free format: gain, number of zeros, number of poles.
            out += FixedLine()
                       .text(response_gain_text(pz.gain))
                       .i(static_cast<long long>(pz.zeros.size()), 3)
                       .i(static_cast<long long>(pz.poles.size()), 3)
                       .str() +
                   "\n";
            for (const auto& z : pz.zeros)
                out += FixedLine()
                           .blanks(1)
                           .text(response_value_text(z.real()))
                           .text(response_value_text(z.imag()))
                           .str() +
                       "\n";
            // Two poles per line.
            for (std::size_t p = 0; p < pz.poles.size(); p += 2) {
                FixedLine line;
                for (std::size_t q = p; q < std::min(p + 2, pz.poles.size()); ++q)
                    line.text(response_value_text(pz.poles[q].real()))
                        .text(response_value_text(pz.poles[q].imag()));
                out += line.str() + "\n";
            }
        }
    }
    return out;
}

std::string sensitivity_file(const std::vector<StationResult>& stations, int validity_year) {
    std::string out;
    for (const auto& r : stations) {
        for (std::size_t c = 0; c < 3; ++c) {
            const Instrument& inst = r.instruments[c];
            out += FixedLine()
                       .a(r.station.code, 4)
                       .blanks(1)
                       .a(kChannels[c], 3)
                       .blanks(1)
                       .i(validity_year, 4)
                       .blanks(1)
                       .text(zero_filled_i(1, 3))
                       .blanks(1)
                       .text(hhmm(0, 0))
                       .blanks(1)
                       .i(kOpenEndYear, 4)
                       .blanks(1)
                       .i(kOpenEndDay, 3)
                       .blanks(1)
                       .text(hhmm(0, 0))
                       .blanks(1)
                       .f(kOrientation[c].azimuth, 4, 0)
                       .blanks(1)
                       .f(kOrientation[c].dip, 4, 0)
                       .blanks(1)
                       .a(kVelocityUnit, 9)
                       .blanks(1)
                       .a(kNetwork, 4)
                       .str() +
                   "\n";
            out += FixedLine()
                       .blanks(5)
                       .f(inst.low_corner_hz, 8, 6)
                       .blanks(3)
                       .f(inst.high_corner_hz, 10, 6)
                       .blanks(3)
                       .text(sensitivity_text(inst.sensitivity))
                       .str() +
                   "\n";
        }
    }
    return out;
}

std::string pick_file(const std::vector<StationResult>& stations, const Event& event) {
    const CalendarTime o = event.origin.calendar();
    std::string out = "Synthetic event of " + zero_filled_i(o.year, 4) + "-" +
                      zero_filled_i(o.month, 2) + "-" + zero_filled_i(o.day, 2) + " (day " +
                      zero_filled_i(o.doy, 3) + "), picks at the model arrival times, UTC\n";
    out += "stat chan num q phas wt fm amp  year doy hh:mm:ss.ss\n";
    auto line = [](const std::string& code, const char* chan, int number, char quality,
                   const char* phase, char motion, const UtcInstant& when) {
        const CalendarTime t = when.calendar();
        return FixedLine()
                   .a(code, 4)
                   .blanks(1)
                   .a(chan, 3)
                   .i(number, 5)
                   .blanks(1)
                   .text(std::string(1, quality))
                   .blanks(1)
                   .text(std::string(phase) + std::string(4 - std::string(phase).size(), ' '))
                   .f(0.0, 4, 1)
                   .blanks(1)
                   .text(std::string(1, motion))
                   .f(0.0, 4, 1)
                   .blanks(2)
                   .i(t.year, 4)
                   .blanks(1)
                   .text(zero_filled_i(t.doy, 3))
                   .blanks(1)
                   .text(time_of_day(t, 2))
                   .str() +
               "\n";
    };
    int number = 1;
    for (const auto& r : stations) {
        // Impulsive onsets near the source, emergent ones farther out.
        const char quality = r.station.epicentral_km < 60.0 ? 'I' : 'E';
        out += line(r.station.code, kChannels[0], number++, quality, "P", r.p_motion, r.p_pick);
        out += line(r.station.code, kChannels[2], number++, quality, "S", '?', r.s_pick);
    }
    return out;
}

std::string event_file(const Event& event) {
    return origin_text(event.origin) + " " + trimmed_f(event.latitude, 4) + " " +
           trimmed_f(event.longitude, 4) + " " + trimmed_f(event.depth_km, 1) + "\n";
}

std::string truth_file(const std::vector<StationResult>& stations, const Event& event,
                       const UtcInstant& first_sample, std::size_t samples) {
    std::string out;
    out += "# True ground motion of the synthetic event " + origin_text(event.origin) + " (Mw " +
           trimmed_f(event.moment_magnitude, 1) + ", depth " + trimmed_f(event.depth_km, 1) +
           " km),\n";
    out += "# from the noise-free ground velocity v at the " + std::to_string(samples) +
           " samples of each trace (first sample " + origin_text(first_sample) + ").\n";
    out +=
        "# PGV = max |v|. PGA = max |a|, a(j) = (v(j) - v(j-1)) / dt: acceleration as a record\n";
    out += "#   sampled at 100/s gives it; PGAx = max |dv/dt|, the exact derivative, for "
           "comparison.\n";
    out +=
        "# PGD = max |d|, d the exact integral of v (no signal energy below 0.5 Hz, so d starts\n";
    out += "#   and ends at 0 and a 0.1 Hz high-pass leaves it unchanged).\n";
    out +=
        "# WA = max |d through the Wood-Anderson response|: poles -5.41925 +/- 5.68479i rad/s,\n";
    out += "#   two zeros at 0, gain 2080000 (mm of trace per m of ground).\n";
    out +=
        "# Units mm, s; t* = time of the peak after the first sample; distances to the station\n";
    out += "# file's coordinates on a sphere of radius 6371 km.\n";
    out += FixedLine()
               .text("#sta chn")
               .a("epi(km)", 9)
               .a("hypo(km)", 9)
               .a("PGV(mm/s)", 12)
               .a("PGA(mm/s2)", 12)
               .a("PGD(mm)", 12)
               .a("WA(mm)", 12)
               .a("tPGV", 7)
               .a("tPGA", 7)
               .a("tPGD", 7)
               .a("tWA", 7)
               .a("PGAx(mm/s2)", 12)
               .str() +
           "\n";
    for (const auto& r : stations) {
        for (std::size_t c = 0; c < 3; ++c) {
            const ComponentTruth& t = r.truth[c];
            out += FixedLine()
                       .a(r.station.code, 4)
                       .blanks(1)
                       .a(kChannels[c], 3)
                       .f(r.station.epicentral_km, 9, 3)
                       .f(r.station.hypocentral_km, 9, 3)
                       .e(t.velocity.value, 12, 5)
                       .e(t.acceleration.value, 12, 5)
                       .e(t.displacement.value, 12, 5)
                       .e(t.wood_anderson.value, 12, 5)
                       .f(t.velocity.time, 7, 2)
                       .f(t.acceleration.time, 7, 2)
                       .f(t.displacement.time, 7, 2)
                       .f(t.wood_anderson.time, 7, 2)
                       .e(t.exact_acceleration.value, 12, 5)
                       .str() +
                   "\n";
        }
    }
    return out;
}

} // namespace tw::synth
