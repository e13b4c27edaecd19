#include "driver/result_files.hpp"

#include "text/result_file.hpp"

namespace tw {

std::string ResultFiles::path(const char* name) const {
    // With no folder the name stands alone, as the messages about the file show it.
    return dir_.empty() ? std::string(name) : (dir_ / name).string();
}

void ResultFiles::wood(const TraceHeader& head, const PeakPeriod& peak) const {
    append_result(path(kWoodFile), kWoodHeader, {wood_line(head, peak)});
}

void ResultFiles::ground(const TraceHeader& head, const GroundMotion& motion, float rdist) const {
    const auto lines = ground_lines(head, motion, rdist);
    append_result(path(kGroundFile), kGroundHeader, {lines.begin(), lines.end()});
    append_result(path(kShakeFile), kShakeHeader, {shake_line(head, motion, rdist)});
}

void ResultFiles::energy(const TraceHeader& head, const EnergyEstimate& estimate) const {
    append_result(path(kEnergyFile), kEnergyHeader, {energy_line(head, estimate)});
}

void ResultFiles::ramp(const TraceHeader& head, const RampEstimate& estimate, bool clipped) const {
    append_result(path(kRampFile), kRampHeader, {ramp_line(head, estimate, clipped)});
}

} // namespace tw
