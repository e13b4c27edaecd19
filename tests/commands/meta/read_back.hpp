#pragma once
// What tesk_wave's own readers and response evaluation make of the files tesk_meta writes.
#include <complex>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "commands/meta/station_files.hpp"
#include "dsp/responses.hpp"
#include "metadata/coordinates.hpp"
#include "metadata/response.hpp"
#include "metadata/sensitivity.hpp"
#include "records/records.hpp"
#include "tests/support/run_program.hpp"
#include "time/daymo.hpp"
#include "time/int_time.hpp"

namespace tw::meta::testing {

// A measured figure for the test report.
inline std::string scientific(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3e", v);
    return buf;
}

inline void write_text(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The instant of a validity limit.
inline int_time instant(const MinuteDate& d) {
    ext_time et{d.year, d.doy, 0, 0, d.hour, d.minute, 0, 0};
    daymo(d.doy, et.month, et.day, d.year);
    return ext_to_int(et);
}

struct ReadBack {
    TraceHeader head;
    InstrumentResponse instr;
    Sensitivity sens;
    int response_status = -1, sensitivity_status = -1;

    // |response| at f Hz as the instrument correction evaluates it.
    double amplitude(double f) const {
        cfloat value{};
        float w = static_cast<float>(2.0 * std::numbers::pi * f);
        response(instr, value, w, kAsStored);
        return std::abs(std::complex<double>(value.real(), value.imag()));
    }
    std::complex<double> at(double f) const {
        cfloat value{};
        float w = static_cast<float>(2.0 * std::numbers::pi * f);
        response(instr, value, w, kAsStored);
        return {value.real(), value.imag()};
    }
};

// Writes the response and sensitivity files of `entries` and looks up the trace of `station`,
// `channel` starting at `when`, as tesk_wave does.
inline ReadBack read_back(const std::vector<StationEntry>& entries, const std::string& station,
                          const std::string& channel, const int_time& when) {
    tw::testing::TempDir dir;
    const std::string resp = (dir / "x.resp").string(), sens = (dir / "x.sens").string();
    write_text(resp, response_file(entries));
    write_text(sens, sensitivity_file(entries));
    ReadBack r;
    r.head.stat = station;
    r.head.chan = channel;
    r.head.stime = when;
    fetch_response(resp, r.head, r.instr, r.response_status);
    fetch_sens(sens, r.head, r.sens, r.sensitivity_status);
    return r;
}

// The lookup of an entry's own channel at the start of its validity period.
inline ReadBack read_back(const StationEntry& e) {
    return read_back({e}, e.station, e.channel, instant(begin_limit(e)));
}

} // namespace tw::meta::testing
