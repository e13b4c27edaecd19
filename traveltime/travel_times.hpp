#pragma once
// Travel times of seismic phases from tau(p) tables of a spherical Earth model.
//
// TravelTimeCalculator holds everything that lives across calls: the loaded tables, the
// selected branches, the last keyword and the tables corrected for the last source depth.
// ttimes() loads the tables on the first call and whenever the keyword changes, corrects them
// once per new depth and then only searches the distance.
#include <array>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "text/fixed_text.hpp"
#include "traveltime/table_files.hpp"
#include "traveltime/tau_layer.hpp"

namespace tw {

// The arrivals of one ttimes call, sorted by travel time.
struct TravelTimes {
    int n = 0;
    std::array<float, ttcap::kArrivals> tt{};   // s
    std::array<float, ttcap::kArrivals> dtdd{}; // s/deg
    std::array<float, ttcap::kArrivals> dtdh{}; // s/km
    std::array<float, ttcap::kArrivals> dddp{}; // normalised dDelta/dp
    std::array<FixedText<8>, ttcap::kArrivals> phcd{};
};

// Copies the first n arrivals of work to out in order of time, dropping an arrival with the
// name of the one copied before it and a time within 0.005 s of it.
void copy_sorted_arrivals(const TravelTimes& work, int n, TravelTimes& out);

class TravelTimeCalculator {
  public:
    // model_base: base name of the tables selected by t_model 0; "prem" in the same folder is
    // the alternative model.
    explicit TravelTimeCalculator(std::string model_base);

    void ttimes(float depth, float delta, std::string_view keyword, TravelTimes& out);

    // The steps, for callers and tests that need them one by one.
    void tabin(const std::string& base);
    void brnset(std::span<const std::string> keywords, const std::array<int, 3>& prflags);
    void depset(float depth, std::array<float, 2>& usrc);
    void trtm(float delta, int max, TravelTimes& out);

    // Where interactive input and messages go (standard input/output by default).
    void set_streams(std::istream& in, std::ostream& out);

    int t_model = 0;
    std::array<float, 2> t_slow{};

    // Bookkeeping for callers: how often the tables were read and corrected for a depth.
    int loads() const { return loads_; }
    int depth_corrections() const { return depth_corrections_; }
    bool segment_selected(int seg) const { return segmsk_[seg] != 0; }
    int segment_count() const { return hdr_.nseg; }
    std::string branch_code(int branch) const;
    int branch_segment(int branch) const { return branch_segment_[branch]; }
    int branch_count() const { return hdr_.nbrn; }
    static std::string generic_name(std::string_view code);

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
    int umod(double zs, int wave, double& usrc, SlownessLayer& layer);
    void correct_segment(int seg);
    void spfit(Fitted& f);
    void findtt(const Fitted& f, const std::array<double, 3>& x, int max, int& n,
                TravelTimes& work);
    bool add_arrival(int max, int n);
    TauX upgoing(int wave, int grid_index, double p) const;
    TauX upgoing_exact(int wave, double p) const;
    TauX mantle_turning(int wave, double p) const;
    TauX surface_spline(int sample_first, int sample_last, double p) const;
    void close_table() { table_.close(); }
    void message(const std::string& line);

    std::array<std::string, 2> model_base_;
    TableHeader hdr_;
    TableFile table_;
    bool loaded_ = false;
    FixedText<8> last_keyword_;
    std::array<int, ttcap::kSegments> segmsk_{};
    std::array<int, 3> prflags_{};
    std::vector<int> branch_segment_;
    std::vector<int> sample_grid_;                     // grid index of each table sample
    std::array<std::vector<SlownessLayer>, 2> mantle_; // model layers above the core
    std::array<bool, ttcap::kBranches> diff_mark_{};

    // Current source depth.
    double prev_depth_ = -1.0;
    double zs_ = 0.0;
    double depth_factor_ = 0.0;
    std::array<double, 2> us_{};
    std::array<SlownessLayer, 2> source_layer_{};
    std::array<std::vector<double>, 2> up_tau_, up_x_; // up-going leg at the grid, source depth
    std::array<bool, 2> corrected_wave_{};
    std::array<bool, ttcap::kSegments> corrected_seg_{};
    int last_wave_ = 0;
    std::vector<Fitted> fitted_; // the branches, then the up-going branches
    std::vector<double> buffer_;
    bool more_reported_ = false;

    float distance_factor_ = 0.0f;
    float time_factor_ = 0.0f;
    int loads_ = 0;
    int depth_corrections_ = 0;
    std::istream* in_;
    std::ostream* out_;
};

} // namespace tw
