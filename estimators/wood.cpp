#include "estimators/wood.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "dsp/coinst2.hpp"
#include "text/format.hpp"
#include "text/result_file.hpp"

namespace tw {
namespace {

// A 10-column, 3-decimal number with its blanks taken off.
std::string trimmed_f(float value) {
    return std::string(strip_blanks(format_f(value, 10, 3)));
}

} // namespace

std::string wood_line(const TraceHeader& head, const PeakPeriod& peak) {
    const std::string_view stat = head.stat.prefix(4);
    // log10 of a zero amplitude or period has no value: the field is filled with asterisks
    const float xmag = peak.amax > 0.0f && peak.per > 0.0f ? std::log10(peak.amax / peak.per)
                                                           : std::numeric_limits<float>::infinity();
    return FixedLine()
        .text(" ")
        .text(stat.substr(0, static_cast<std::size_t>(klen(stat))))
        .text(head.chan.prefix(3))
        .text(" WAS ")
        .text(trimmed_f(peak.amax))
        .text(" ")
        .text(trimmed_f(peak.per))
        .text(" ")
        .text(strip_blanks(format_i(peak.imax - 1, 10)))
        .text(" ")
        .text(trimmed_f(xmag))
        .str();
}

void est_wood(const TraceHeader& head, const InstrumentResponse& instr, std::span<float> x,
              std::span<cfloat> cx, int& ierr) {
    constexpr int kWoodAnderson = 3, kNoFilter = 0;
    const int n = head.npts;
    const float dt = 1.0f / static_cast<float>(head.sample_rate);
    ierr = 0;
    coinst2(instr, n, dt, kWoodAnderson, kNoFilter, x, cx, 0, 0.0f, 0.0f, ierr);
    if (ierr != 0) return;
    // The period walk may go on into the periodic rest of the corrected trace.
    const auto corrected = std::min(x.size(), static_cast<std::size_t>(coinst2_length(n)));
    write_wood(head, amaxper(n, dt, x.first(corrected)));
}

void write_wood(const TraceHeader& head, const PeakPeriod& peak) {
    append_result(kWoodFile, {"# ", "# "}, {wood_line(head, peak)});
}

} // namespace tw
