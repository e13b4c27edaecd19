#include "driver/window.hpp"

#include <algorithm>

namespace tw {
namespace {

// Origin plus a non-negative real number of seconds split into whole seconds and microseconds.
int_time after(const int_time& origin, float seconds) {
    const int whole = static_cast<int>(seconds);
    const int usec = static_cast<int>((seconds - static_cast<float>(whole)) * 1000000.0f);
    int_time t{};
    f_add_time(origin, whole, usec, t);
    return t;
}

} // namespace

void extra_window(TraceHeader& head, std::vector<int32_t>& idata, const int_time& t1,
                  const int_time& t2, int& ierr) {
    ierr = 0;
    const float dt = head.sample_interval();
    if (f_tdiff(t1, head.stime) < 0) {
        ierr = 998;
        return;
    }
    if (f_tdiff(head.endtime, t2) < 0) {
        ierr = 999;
        return;
    }
    const auto s1 = static_cast<float>(f_tdiff(t1, head.stime) / 1000000.0);
    const auto s2 = static_cast<float>(f_tdiff(t2, head.stime) / 1000000.0);
    const int n1 = 1 + static_cast<int>(s1 / dt);
    // The last sample of the window never lies beyond the samples that were read.
    const int n2 = std::min(1 + static_cast<int>(s2 / dt), head.npts);
    const int count = n2 - n1 + 1;
    if (count < 1) {
        ierr = 999;
        return;
    }
    std::copy(idata.begin() + (n1 - 1), idata.begin() + n2, idata.begin());
    head.stime = t1;
    head.endtime = t2;
    head.npts = count;
}

void check_window(const int_time& begin, const int_time& end, const int_time& origin,
                  float distance, int& ierr) {
    ierr = 0;
    const float earliest = distance / 4.5f;
    const float latest = distance <= 100.0f ? distance / 2.5f : distance / 2.0f;
    if (f_tdiff(begin, after(origin, earliest)) > 0)
        ierr = 998;
    else if (f_tdiff(end, after(origin, latest)) < 0)
        ierr = 999;
}

} // namespace tw
