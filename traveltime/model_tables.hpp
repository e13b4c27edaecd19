#pragma once
// The tables of one travel-time model as loaded from BASE.hed and BASE.tbl, with what the
// depth correction derives from them once: the segment of every branch, the grid position of
// every sample, the branches that continue as diffracted waves and the model above the core as
// thin layers. Loaded once, shared by every phase list.
#include <array>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "traveltime/table_files.hpp"
#include "traveltime/tau_layer.hpp"

namespace tw {

class ModelTables {
  public:
    // Reads BASE.hed and opens BASE.tbl (tabin); a model file that is missing, unreadable or
    // inconsistent ends the process with status 2.
    void load(const std::string& base);

    const TableHeader& header() const { return hdr_; }
    // Reads count doubles of a record of BASE.tbl; ends the process when that fails.
    void read_record(int rec, int count, double* buffer);

    float time_factor() const { return time_factor_; }         // reciprocal of the header's
    float distance_factor() const { return distance_factor_; } // degrees per normalised distance
    int segment_count() const { return hdr_.nseg; }
    int branch_count() const { return hdr_.nbrn; }
    std::string branch_code(int branch) const;
    int branch_segment(int branch) const { return branch_segment_[branch]; }
    bool diffracted(int branch) const { return diff_mark_[branch]; }
    // Index of table sample s on the up-going ray-parameter grid; -1 for the extra samples
    // near branch ends, which lie between grid points.
    int sample_grid(int s) const { return sample_grid_[s]; }

    // The model above the core for wave type w (0 = P, 1 = S): thin layers with a velocity
    // linear in radius between the header's samples, and the thin layers of the interval from
    // sample k to sample k + 1 (none across a discontinuity).
    const std::vector<SlownessLayer>& mantle(int w) const { return mantle_[w]; }
    std::span<const SlownessLayer> interval(int w, int k) const;

    // A branch code without its branch letters: Pn, Pg, Pb -> P; PKPab -> PKP.
    static std::string generic_name(std::string_view code);

  private:
    TableHeader hdr_;
    TableFile table_;
    std::string base_;
    float time_factor_ = 0.0f;
    float distance_factor_ = 0.0f;
    std::vector<int> branch_segment_;
    std::vector<int> sample_grid_;
    std::array<bool, ttcap::kBranches> diff_mark_{};
    std::array<std::vector<SlownessLayer>, 2> mantle_;
    std::array<std::vector<std::size_t>, 2> interval_start_; // per sample, plus the end
};

// The segments that a phase list selects (brnset): 1 = evaluated. A single "query" keyword
// reads the list from in; messages go to out.
std::array<int, ttcap::kSegments> select_segments(const ModelTables& tables,
                                                  std::span<const std::string> keywords,
                                                  const std::array<int, 3>& prflags,
                                                  std::istream& in, std::ostream& out);

} // namespace tw
