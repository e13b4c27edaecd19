#pragma once
// Station files of the tests: instants, trace headers and the shared RJOB files.
#include <string>
#include <string_view>

#include "records/records.hpp"
#include "tests/support/files.hpp"
#include "tests/support/test_data.hpp"
#include "time/daymo.hpp"
#include "time/int_time.hpp"

namespace tw::testing {

// The instant of a calendar date given as year and day of year.
inline int_time at(int year, int doy, int hour, int minute, int second = 0, int usec = 0) {
    ext_time et{year, doy, 0, 0, hour, minute, second, usec};
    daymo(doy, et.month, et.day, year);
    int_time out;
    f_ext_to_int(et, out);
    return out;
}

inline TraceHeader trace(std::string_view station, std::string_view channel, int_time stime) {
    TraceHeader head;
    head.stat = station;
    head.chan = channel;
    head.stime = stime;
    return head;
}

inline std::string rjob_file(const std::string& name) {
    return test_data("rjob/" + name);
}

} // namespace tw::testing
