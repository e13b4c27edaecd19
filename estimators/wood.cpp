#include "estimators/wood.hpp"

#include <cmath>
#include <limits>

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

void write_wood(const TraceHeader& head, const PeakPeriod& peak) {
    append_result(kWoodFile, {"# ", "# "}, {wood_line(head, peak)});
}

} // namespace tw
