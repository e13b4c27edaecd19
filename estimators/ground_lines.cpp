// Result lines of the ground-motion estimator and their files.
#include <string_view>

#include "estimators/ground.hpp"
#include "text/format.hpp"
#include "text/result_file.hpp"

namespace tw {
namespace {

// Columns 1-53 shared by both files: identity, orientation, kind of line and the date.
FixedLine line_start(const TraceHeader& head, std::string_view kind, const ext_time& when) {
    const std::string_view stat = head.stat.prefix(4);
    FixedLine line;
    line.text(" ")
        .a(stat.substr(0, static_cast<std::size_t>(klen(stat))), 4)
        .text(" ")
        .a(head.chan.prefix(3), 3)
        .text(" ")
        .text(" ")
        .a(head.network.prefix(2), 2)
        .text(" ")
        .text(kind)
        .f(head.azi, 4, 0)
        .text(" ")
        .f(head.dip, 4, 0)
        .text(" ")
        .i(when.year, 4)
        .text(" ")
        .i(when.doy, 3)
        .text(" ")
        .i(when.hour, 2)
        .text(" ")
        .i(when.minute, 2)
        .text(" ")
        .i(when.second, 2)
        .text(" ")
        .i(when.usec / 100, 5)
        .text(" ");
    return line;
}

} // namespace

int_time peak_time(const int_time& stime, int imax, float dt) {
    int_time t;
    f_add_dtime(stime, static_cast<double>(imax) * static_cast<double>(dt) * 1.0e6, t);
    return t;
}

std::string ground_line(const TraceHeader& head, const char* kind, float amax, float per,
                        const ext_time& when, float rdist) {
    const std::string label = std::string(" ") + kind + " ";
    return line_start(head, label, when)
        .f(amax, 12, 5)
        .f(1.0f / per, 12, 5)
        .f(head.slat, 7, 3)
        .text(" ")
        .f(head.slon, 8, 3)
        .text(" ")
        .f(rdist, 12, 5)
        .str();
}

std::string shake_line(const TraceHeader& head, const std::array<float, 4>& shake,
                       const ext_time& when, float rdist) {
    FixedLine line = line_start(head, " SHAK", when);
    for (float sd : shake)
        line.f(sd, 7, 3);
    return line.f(head.slat, 7, 3).text(" ").f(head.slon, 8, 3).text(" ").f(rdist, 12, 5).str();
}

void write_ground(const TraceHeader& head, const GroundMotion& motion, float rdist) {
    const float dt = 1.0f / static_cast<float>(head.sample_rate);
    std::vector<std::string> lines;
    ext_time when;
    struct Row {
        const char* kind;
        const PeakPeriod& peak;
    };
    for (const Row& row :
         {Row{"PGA", motion.acc}, Row{"PGV", motion.vel}, Row{"PGD", motion.dsp}}) {
        f_int_to_ext(peak_time(head.stime, row.peak.imax, dt), when);
        // metres to millimetres; periods stay in seconds
        lines.push_back(
            ground_line(head, row.kind, row.peak.amax * 1000.0f, row.peak.per, when, rdist));
    }
    append_result(kGroundFile, {"# ", kGroundHeader}, lines);
    // the shake line carries the date of the displacement peak, the last one formed
    append_result(kShakeFile, {"# ", kShakeHeader}, {shake_line(head, motion.shake, when, rdist)});
}

} // namespace tw
