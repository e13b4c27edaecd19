#include "driver/save_file.hpp"

#include <cmath>
#include <vector>

#include "text/format.hpp"
#include "text/result_file.hpp"
#include "time/int_time.hpp"

namespace tw {

void save_to_ascii(const TraceHeader& head, const float* d1, const std::string& name, int& ierr) {
    ierr = 0;
    float a0 = 0.0f;
    for (int i = 0; i < head.npts; ++i)
        a0 = std::max(a0, std::fabs(d1[i]));
    ext_time start{};
    f_int_to_ext(head.stime, start);
    const float dt = head.sample_interval();
    FixedLine header;
    header.text(head.stat.prefix(4))
        .blanks(1)
        .text(head.chan.prefix(3))
        .blanks(1)
        .text(head.network.prefix(2));
    header.blanks(1)
        .f(dt, 5, 3)
        .blanks(1)
        .i(head.npts, 6)
        .blanks(1)
        .f(head.azi, 4, 0)
        .blanks(1)
        .f(head.dip, 4, 0);
    header.blanks(1)
        .e(a0, 12, 5)
        .blanks(1)
        .i(start.year, 4)
        .blanks(1)
        .i(start.doy, 3)
        .blanks(1)
        .i(start.hour, 2);
    header.blanks(1)
        .i(start.minute, 2)
        .blanks(1)
        .i(start.second, 2)
        .blanks(1)
        .i(start.usec / 100, 5)
        .blanks(1);
    header.text(std::string_view(head.label.data(), head.label.size()));

    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(std::max(head.npts, 0)) + 1);
    lines.push_back(header.str());
    for (int i = 0; i < head.npts; ++i) {
        // An all-zero trace has no normalisation: its samples are written as zero.
        const float value = a0 > 0.0f ? d1[i] / a0 : 0.0f;
        lines.push_back(format_i(i + 1, 6) + " " + format_f(value, 12, 5));
    }
    append_result(name, {}, lines);
}

} // namespace tw
