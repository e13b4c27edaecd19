#pragma once
// Travel times of seismic phases from tau(p) tables of a spherical Earth model.
//
// TravelTimeCalculator holds everything that lives across calls: the model tables, loaded at
// the first call, and per phase list the selected branches corrected for the last source
// depth. A call with a phase list and depth seen last time only searches the distance.
#include <array>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "text/fixed_text.hpp"
#include "traveltime/table_files.hpp"

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

class ModelTables;
class SelectedBranches;

class TravelTimeCalculator {
  public:
    // model_base: base name of the tables (BASE.hed, BASE.tbl) of model 0; model 1 is "prem"
    // in the same folder. The "query" phase list reads from in; warnings go to out.
    explicit TravelTimeCalculator(std::string model_base);
    TravelTimeCalculator(std::string model_base, std::istream& in, std::ostream& out);
    ~TravelTimeCalculator();
    TravelTimeCalculator(const TravelTimeCalculator&) = delete;
    TravelTimeCalculator& operator=(const TravelTimeCalculator&) = delete;

    // Arrivals from a source depth (km) at a distance (degrees) of the phases of keyword: "P",
    // "P+", "basic", "S+", "all", "query" or a generic phase name. A missing model file or a
    // source below the mantle ends the process.
    void ttimes(float depth, float delta, std::string_view keyword, TravelTimes& out);

    // The model: 0 (the default) for model_base, any other value for "prem" beside it.
    void set_model(int t_model);

  private:
    friend class TravelTimeTestAccess; // tests: the steps one by one and their bookkeeping

    SelectedBranches& branches(const FixedText<8>& keyword);

    std::array<std::string, 2> model_base_;
    int t_model_ = 0;
    std::istream* in_;
    std::ostream* out_;
    std::unique_ptr<ModelTables> tables_; // the tables of model t_model_, once loaded
    std::map<std::string, std::unique_ptr<SelectedBranches>> by_keyword_;
    int loads_ = 0;
};

} // namespace tw
