#include "traveltime/travel_times.hpp"

#include <algorithm>
#include <cmath>
#include <iostream>

#include "traveltime/model_tables.hpp"
#include "traveltime/r4sort.hpp"
#include "traveltime/selected_branches.hpp"

namespace tw {

namespace {

constexpr double kDuplicate = 0.005; // s

} // namespace

TravelTimeCalculator::TravelTimeCalculator(std::string model_base)
    : TravelTimeCalculator(std::move(model_base), std::cin, std::cout) {}

TravelTimeCalculator::TravelTimeCalculator(std::string model_base, std::istream& in,
                                           std::ostream& out)
    : in_(&in), out_(&out) {
    const auto slash = model_base.find_last_of('/');
    model_base_[1] =
        (slash == std::string::npos ? std::string() : model_base.substr(0, slash + 1)) + "prem";
    model_base_[0] = std::move(model_base);
}

TravelTimeCalculator::~TravelTimeCalculator() = default;

void TravelTimeCalculator::set_model(int t_model) {
    if ((t_model == 0) == (t_model_ == 0)) return;
    t_model_ = t_model;
    by_keyword_.clear();
    tables_.reset();
}

SelectedBranches& TravelTimeCalculator::branches(const FixedText<8>& keyword) {
    if (!tables_) {
        tables_ = std::make_unique<ModelTables>();
        tables_->load(model_base_[t_model_ == 0 ? 0 : 1]);
        ++loads_;
    }
    const std::string key(keyword.trimmed());
    auto& slot = by_keyword_[key];
    if (!slot) {
        // Nothing is printed by the selection and depth steps.
        const std::array<int, 3> prflags{0, 0, 0};
        const auto segmsk =
            select_segments(*tables_, std::span<const std::string>(&key, 1), prflags, *in_, *out_);
        slot = std::make_unique<SelectedBranches>(*tables_, segmsk, *out_);
    }
    return *slot;
}

void TravelTimeCalculator::ttimes(float depth, float delta, std::string_view keyword,
                                  TravelTimes& out) {
    out = TravelTimes{};
    SelectedBranches& selected = branches(FixedText<8>(keyword));
    std::array<float, 2> usrc{};
    selected.depset(depth, usrc);
    selected.trtm(delta, ttcap::kArrivals, out);
}

void copy_sorted_arrivals(const TravelTimes& work, int n, TravelTimes& out) {
    std::array<int, ttcap::kArrivals> order{};
    n = std::clamp(n, 0, ttcap::kArrivals);
    if (n > 1) r4sort(n, work.tt, order);
    int m = 0;
    for (int i = 0; i < n; ++i) {
        const int k = order[i];
        if (m > 0 && work.phcd[k] == out.phcd[m - 1] &&
            std::fabs(work.tt[k] - out.tt[m - 1]) <= kDuplicate)
            continue;
        out.tt[m] = work.tt[k];
        out.dtdd[m] = work.dtdd[k];
        out.dtdh[m] = work.dtdh[k];
        out.dddp[m] = work.dddp[k];
        out.phcd[m] = work.phcd[k];
        ++m;
    }
    out.n = m;
}

} // namespace tw
