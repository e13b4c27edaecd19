#pragma once
// Exact ray theory of a spherical Earth model, written apart from the tabulation it checks: the
// model is read from its text file again, the time and distance integrals of every ray are
// evaluated by Gauss-Legendre quadrature in radius (with r = r0 + u^2 so that a turning point
// is harmless), and the arrivals at a distance are found by root search in the ray parameter.
#include <array>
#include <string>
#include <vector>

namespace tw::testing::rays {

enum Wave { kP = 0, kS = 1 };

// A depth interval and its velocities: cubic polynomials of the normalised radius r / a
// (sampled models, linear in depth, have only the first two terms).
struct Shell {
    double r_top = 0.0, r_bot = 0.0; // km
    std::array<std::array<double, 4>, 2> c{};
};

class Model {
  public:
    // Reads a sampled model (".tvel": two heading lines; ".nd": lines that do not start with a
    // number are skipped) or a polynomial model ("radius" and "layer" lines); false on failure.
    bool read(const std::string& path);

    double radius() const { return a_; }
    double cmb() const { return r_cmb_; } // radius of the core-mantle boundary
    double icb() const { return r_icb_; } // radius of the inner-core boundary
    const std::vector<Shell>& shells() const { return shells_; }
    double velocity(const Shell& s, Wave w, double r) const;
    double eta(const Shell& s, Wave w, double r) const { return r / velocity(s, w, r); }
    // Slowness r / v at radius r, taken from the shell below when r is on a boundary.
    double eta_at(Wave w, double r) const;

  private:
    double a_ = 6371.0;
    double r_cmb_ = 0.0, r_icb_ = 0.0;
    std::vector<Shell> shells_; // top down
};

// One arrival at a distance.
struct Arrival {
    std::string family;    // P, S, pP, sS, PcP, ScS, PKP, PKIKP, PKiKP, SKS, SKIKS, SKiKS
    double time = 0.0;     // s
    double p = 0.0;        // s/deg, negative along the major arc
    bool near_end = false; // within half a degree of a branch end or caustic
};

// Every arrival of the families above from a source at depth (km), per distance of dists
// (degrees, 0 to 180), along the minor and the major arc.
std::vector<std::vector<Arrival>> arrivals(const Model& model, double depth,
                                           const std::vector<double>& dists);

} // namespace tw::testing::rays
