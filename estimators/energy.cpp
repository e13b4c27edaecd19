#include "estimators/energy.hpp"

#include <cmath>
#include <limits>

#include "records/status.hpp"
#include "text/format.hpp"

namespace tw {
namespace {

constexpr float kLowCorner = 0.05f; // Hz
constexpr float kHighCorner = 5.0f; // Hz
constexpr float kCmPerM = 100.0f;
constexpr float kCmPerKm = 1000.0f * 100.0f;
constexpr float kReferenceDistance = 8.0f; // km
constexpr float kDensity = 2.5f;           // g/cm^3
constexpr float kShearVelocity = 3.0f;     // km/s

// One slot per position in the group; `icomp` counts from 1.
std::size_t slot(int icomp, int i) {
    return static_cast<std::size_t>(icomp - 1) * kMaxSamples + static_cast<std::size_t>(i);
}

} // namespace

float atten2(float r) {
    return 0.4971f * std::exp(-0.0035f * r) / std::pow(r, 1.0322f);
}

EnergyEstimator::EnergyEstimator(InstrumentCorrection& correction, MessageSink& messages)
    : correction_(&correction), messages_(&messages),
      data_(static_cast<std::size_t>(3) * kMaxSamples), d2_(kMaxSamples) {}

std::optional<EnergyEstimate> EnergyEstimator::est_energy(const TraceHeader& head,
                                                          const InstrumentResponse& instr,
                                                          std::span<float> d1, std::span<cfloat> dw,
                                                          float dist, int icomp,
                                                          const std::array<int, 3>& ic, int& ierr) {
    ierr = status::kOk;
    const int n = head.npts;
    if (icomp < 1 || icomp > 3 || n < 1 || n > kMaxSamples ||
        d1.size() < static_cast<std::size_t>(n) || !(head.sample_rate > 0.0)) {
        ierr = status::kFailed;
        return std::nullopt;
    }
    const float dt = head.sample_interval();

    correction_->coinst2(instr, n, dt, kGroundVelocity, kBandPassZeroPhase, d1, dw, 0, kLowCorner,
                         kHighCorner, ierr);
    if (ierr != 0) return std::nullopt;
    for (int i = 0; i < n; ++i)
        data_[slot(icomp, i)] = d1[static_cast<std::size_t>(i)] * kCmPerM;
    if (icomp != 3) return std::nullopt;
    if (ic[0] != 1 || ic[1] != 1 || ic[2] != 1) {
        ierr = -icomp;
        return std::nullopt;
    }

    // The first two components are read as stored; the group shares one length.
    for (int i = 0; i < n; ++i) {
        const float v1 = data_[slot(1, i)], v2 = data_[slot(2, i)], v3 = data_[slot(3, i)];
        d2_[static_cast<std::size_t>(i)] = v1 * v1 + v2 * v2 + v3 * v3;
    }
    const float hstep = 0.5f * dt;
    float totint = 0.0f;
    for (int i = 0; i + 1 < n; ++i)
        totint = totint +
                 hstep * (d2_[static_cast<std::size_t>(i)] + d2_[static_cast<std::size_t>(i + 1)]);

    const float pi = 4.0f * std::atan(1.0f);
    const float href = kReferenceDistance;
    const float rdist = std::sqrt(dist * dist + href * href);
    const float r0 = href * kCmPerKm;
    const float r1 = rdist * kCmPerKm;
    const float cf = 4.0f * pi * kDensity * (kShearVelocity * kCmPerKm) / (2.0f * 2.0f);
    const float a0 = atten2(href);
    const float a1 = atten2(rdist);
    const float g = (r0 * a0) / (r1 * a1);
    const float ener = cf * r1 * r1 * (g * g) * totint;
    // A silent group has no energy to take the logarithm of: the magnitude field overflows.
    const bool has_energy = ener > 0.0f && std::isfinite(ener);
    const float emag =
        has_energy ? (std::log10(ener) - 9.05f) / 1.96f : std::numeric_limits<float>::quiet_NaN();

    const std::string_view code = head.stat.prefix(4);
    const std::string_view station = code.substr(0, static_cast<std::size_t>(klen(code)));
    if (!has_energy)
        messages_->line(FreeLine(" est_energy:  no energy at")
                        << station << "- magnitude not computed");
    for (int i = 0; i < n; ++i)
        d1[static_cast<std::size_t>(i)] = d2_[static_cast<std::size_t>(i)];
    return EnergyEstimate{emag, rdist, ener, totint};
}

} // namespace tw
