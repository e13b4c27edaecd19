#include "commands/meta/station_files.hpp"

#include <algorithm>

#include "commands/meta/station_columns.hpp"
#include "commands/synth/zero_fill.hpp"
#include "text/format.hpp"

namespace tw::meta {

namespace {

using synth::zero_filled_i;

constexpr MinuteDate kOpenEnd{2599, 366, 0, 0};

// "YYYY DDD HHMM" as both files write a limit, zero-filled.
FixedLine& limit(FixedLine& line, const MinuteDate& d) {
    return line.i(d.year, 4)
        .blanks(1)
        .text(zero_filled_i(d.doy, 3))
        .blanks(1)
        .text(zero_filled_i(d.hour, 2))
        .text(zero_filled_i(d.minute, 2));
}

} // namespace

MinuteDate begin_limit(const StationEntry& e) {
    return floor_minute(e.start);
}

MinuteDate end_limit(const StationEntry& e) {
    if (!e.end) return kOpenEnd;
    const MinuteDate d = ceil_minute(*e.end);
    return d.year >= kOpenEnd.year ? kOpenEnd : d;
}

std::string coordinate_file(const std::vector<CoordinateEntry>& stations) {
    std::string out;
    for (const CoordinateEntry& s : stations)
        out += FixedLine()
                   .text(station_key_text(s.key))
                   .blanks(1)
                   .text(fitted_f(s.latitude, 8, 5))
                   .blanks(1)
                   .text(fitted_f(s.longitude, 9, 5))
                   .blanks(1)
                   .text(fitted_f(s.elevation, 6, 1))
                   .str() +
               "\n";
    return out;
}

std::string response_file(const std::vector<StationEntry>& entries) {
    std::string out;
    for (const StationEntry& e : entries) {
        FixedLine header;
        header.text(station_key_text(e.station)).a(e.channel, 4).blanks(1);
        limit(header, begin_limit(e)).blanks(2);
        limit(header, end_limit(e))
            .text(fitted_f(e.azimuth, 8, 2))
            .text(fitted_f(e.dip, 8, 2))
            .blanks(1)
            .a(unit_text(e.motion), 9)
            .blanks(1)
            .a(e.network, 4)
            .blanks(1)
            .a(e.channel, 3);
        out += header.str() + "\n";
        // Count line, free format: gain constant, number of zeros, number of poles.
        out += FixedLine()
                   .text(gain_text(e.gain))
                   .i(static_cast<long long>(e.pz.zeros.size()), 3)
                   .i(static_cast<long long>(e.pz.poles.size()), 3)
                   .str() +
               "\n";
        for (const auto& z : e.pz.zeros)
            out += FixedLine().blanks(1).text(pole_text(z.real())).text(pole_text(z.imag())).str() +
                   "\n";
        for (std::size_t p = 0; p < e.pz.poles.size(); p += 2) {
            FixedLine line;
            for (std::size_t q = p; q < std::min(p + 2, e.pz.poles.size()); ++q)
                line.text(pole_text(e.pz.poles[q].real())).text(pole_text(e.pz.poles[q].imag()));
            out += line.str() + "\n";
        }
    }
    return out;
}

std::string sensitivity_file(const std::vector<StationEntry>& entries) {
    std::string out;
    for (const StationEntry& e : entries) {
        FixedLine first;
        first.text(station_key_text(e.station)).blanks(1).a(e.channel, 3).blanks(1);
        limit(first, begin_limit(e)).blanks(1);
        limit(first, end_limit(e))
            .blanks(1)
            .text(fitted_f(e.azimuth, 4, 0))
            .blanks(1)
            .text(fitted_f(e.dip, 4, 0))
            .blanks(1)
            .a(unit_text(e.motion), 9)
            .blanks(1)
            .a(e.network, 4);
        out += first.str() + "\n";
        out += FixedLine()
                   .blanks(5)
                   .text(fitted_f(e.band.low_hz, 8, 6))
                   .blanks(3)
                   .text(fitted_f(e.band.high_hz, 10, 6))
                   .blanks(3)
                   .text(sensitivity_text(e.sensitivity))
                   .str() +
               "\n";
    }
    return out;
}

} // namespace tw::meta
