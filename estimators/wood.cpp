#include "estimators/wood.hpp"

#include <algorithm>

namespace tw {

PeakPeriod est_wood(InstrumentCorrection& correction, const TraceHeader& head,
                    const InstrumentResponse& instr, std::span<float> x, std::span<cfloat> cx,
                    int& ierr) {
    const int n = head.npts;
    const float dt = head.sample_interval();
    ierr = 0;
    correction.coinst2(instr, n, dt, kWoodAnderson, kNoFilter, x, cx, 0, 0.0f, 0.0f, ierr);
    if (ierr != 0) return {};
    // The period walk may go on into the periodic rest of the corrected trace.
    const auto corrected = std::min(x.size(), static_cast<std::size_t>(coinst2_length(n)));
    return amaxper(n, dt, x.first(corrected));
}

} // namespace tw
