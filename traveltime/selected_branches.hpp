#pragma once
// The branches that one phase list selects, corrected for the current source depth and fitted
// for the distance search. The corrected tables belong to one depth: a new depth corrects
// them again, the same depth only repeats the distance search.
#include <array>
#include <iosfwd>
#include <string>
#include <vector>

#include "traveltime/model_tables.hpp"
#include "traveltime/travel_times.hpp"

namespace tw {

class SelectedBranches {
  public:
    // tables must outlive this object; warnings go to messages.
    SelectedBranches(ModelTables& tables, const std::array<int, ttcap::kSegments>& segmsk,
                     std::ostream& messages);

    // Corrects the selected segments for a source depth in km (depset) and gives the source
    // slownesses of P and S.
    void depset(float depth, std::array<float, 2>& usrc);
    // Arrivals at a distance in degrees, at most max of them, sorted by time (trtm).
    void trtm(float delta, int max, TravelTimes& out);

    bool segment_selected(int seg) const { return segmsk_[seg] != 0; }
    // How often the tables were corrected for a new depth.
    int depth_corrections() const { return depth_corrections_; }

  private:
    struct Node {
        double p, tau, x;
    };
    // One branch fitted for the current source depth.
    struct Fitted {
        std::string code;
        int wave = 0;       // 0 = P, 1 = S: the wave leaving the source
        double sign = -1.0; // dT/dh sign: -1 for rays leaving downward
        std::vector<Node> nodes;
        std::vector<std::array<double, 4>> cubic; // per interval, in d = p - p_k
        std::vector<std::array<double, 2>> xlim;  // per interval
        double xmin = 0.0, xmax = 0.0;
        double caustic = -1.0; // ab becomes bc at or below this ray parameter
        bool diffracted = false;
        bool upgoing = false; // the direct ray leaving the source upward
        double diff_start = 0.0;
        int first_candidate = 0, last_candidate = 2;
        bool enabled = false;
    };

    void depcor(int wave);
    int umod(double zs, int wave, double& usrc);
    void correct_segment(int seg);
    void spfit(Fitted& f);
    void findtt(const Fitted& f, const std::array<double, 3>& x, int max, int& n,
                TravelTimes& work);
    bool add_arrival(int max, int n);
    TauX source_leg(int wave, double p) const;
    TauX upgoing_exact(int wave, double p) const;
    TauX mantle_turning(int wave, double p) const;
    TauX surface_spline(int sample_first, int sample_last, double p) const;
    void message(const std::string& line);

    ModelTables& tables_;
    const TableHeader& hdr_;
    std::array<int, ttcap::kSegments> segmsk_{};
    std::ostream* out_;

    // Current source depth.
    double prev_depth_ = -1.0;
    double zs_ = 0.0;
    double depth_factor_ = 0.0;
    std::array<double, 2> us_{};
    std::array<int, 2> source_interval_{};             // model interval holding the source
    std::array<std::vector<double>, 2> up_tau_, up_x_; // up-going leg at the grid, source depth
    std::array<bool, 2> corrected_wave_{};
    std::array<bool, ttcap::kSegments> corrected_seg_{};
    int last_wave_ = 0;
    std::vector<Fitted> fitted_; // the branches, then the up-going branches
    std::vector<double> buffer_;
    bool more_reported_ = false;
    int depth_corrections_ = 0;
};

} // namespace tw
