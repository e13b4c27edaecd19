#pragma once
// The one writer of a run's result lines: each estimate becomes its line through the formatters
// of estimators/result_lines and is appended to its file through append_result (so concurrent
// runs never tear or mix lines, and a new file starts with its header).
#include <filesystem>
#include <string>

#include "estimators/result_lines.hpp"

namespace tw {

class ResultFiles {
  public:
    // The files lie in `dir`; the current directory when it is empty.
    explicit ResultFiles(std::filesystem::path dir = {}) : dir_(std::move(dir)) {}

    // Each throws OutputError, naming the file, when it cannot be written.
    void wood(const TraceHeader& head, const PeakPeriod& peak) const;
    // The PGA, PGV and PGD lines, then the SHAK line.
    void ground(const TraceHeader& head, const GroundMotion& motion, float rdist) const;
    void energy(const TraceHeader& head, const EnergyEstimate& estimate) const;
    void ramp(const TraceHeader& head, const RampEstimate& estimate, bool clipped) const;

  private:
    std::string path(const char* name) const;

    std::filesystem::path dir_;
};

} // namespace tw
