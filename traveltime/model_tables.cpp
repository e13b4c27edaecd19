#include "traveltime/model_tables.hpp"

#include <algorithm>
#include <cmath>
#include <istream>
#include <ostream>

#include "text/fixed_text.hpp"
#include "text/format.hpp"
#include "traveltime/tt_stop.hpp"

namespace tw {

namespace {

constexpr float kPi = 3.1415927f;
constexpr double kModelTol = 1e-6; // equal model depths
constexpr double kSameP = 1e-7;    // a sample on the grid of the up-going tables

std::string code_text(const std::array<char, 8>& c) {
    std::string s(c.data(), 8);
    return s.substr(0, static_cast<std::size_t>(klen(s)));
}

[[noreturn]] void unreadable(const std::string& why) {
    travel_time_stop(kTableUnreadable, "Error: travel-time table " + why);
}

} // namespace

void ModelTables::load(const std::string& model_base) {
    // The name is the text up to its first blank; the analyser never asks for one.
    base_ = model_base.substr(0, model_base.find(' '));
    if (base_.empty()) unreadable("model: no model name given");
    std::string why;
    if (!read_header_file(base_ + ".hed", hdr_, why)) unreadable(why);
    if (!table_.open(base_ + ".tbl", hdr_.nasgr, why)) unreadable(why);
    if (hdr_.nseg < 0 || hdr_.nseg > ttcap::kSegments || hdr_.nbrn < 0 ||
        hdr_.nbrn > ttcap::kBranches || hdr_.ku[0] < 1 || hdr_.ku[0] > ttcap::kUpgoing ||
        hdr_.ku[1] != hdr_.ku[0] || hdr_.mt[0] < 2 || hdr_.mt[0] > ttcap::kDepthSamples ||
        hdr_.mt[1] < 2 || hdr_.mt[1] > ttcap::kDepthSamples || hdr_.nl > ttcap::kSamples ||
        hdr_.nasgr < static_cast<int>(2 * hdr_.ku[0] * sizeof(double)))
        unreadable(base_ + ".hed: inconsistent contents");
    for (int w = 0; w < 2; ++w)
        if (hdr_.ku[w] < ttcap::kUpgoing) hdr_.pu[w][hdr_.ku[w]] = hdr_.pm[w][0];
    time_factor_ = 1.0f / hdr_.time_factor;
    distance_factor_ = kPi / (180.0f * hdr_.slowness_factor * hdr_.radius_factor);

    // The model above the core, for the depth correction.
    for (int w = 0; w < 2; ++w) {
        const auto& zm = hdr_.zm[w];
        const auto& pm = hdr_.pm[w];
        mantle_[w].clear();
        interval_start_[w].assign(static_cast<std::size_t>(hdr_.mt[w]), 0);
        for (int k = 0; k + 1 < hdr_.mt[w]; ++k) {
            interval_start_[w][k] = mantle_[w].size();
            if (zm[k] - zm[k + 1] <= kModelTol) continue;
            const double rho_top = std::exp(zm[k]), rho_bot = std::exp(zm[k + 1]);
            const std::size_t first = mantle_[w].size();
            append_thin_layers(
                rho_top, rho_bot,
                [&](double rho) {
                    return linear_velocity_slowness(rho, rho_top, pm[k], rho_bot, pm[k + 1]);
                },
                mantle_[w]);
            // The interval ends exactly on its samples.
            mantle_[w][first].z_top = zm[k];
            mantle_[w][first].eta_top = pm[k];
            mantle_[w].back().z_bot = zm[k + 1];
            mantle_[w].back().eta_bot = pm[k + 1];
        }
        interval_start_[w].back() = mantle_[w].size();
    }

    // Grid position of every sample, and the segment of every branch.
    const auto& grid = hdr_.pu[0];
    const int ku = hdr_.ku[0];
    sample_grid_.assign(static_cast<std::size_t>(std::max(hdr_.nl, 0)), -1);
    for (int s = 0; s < hdr_.nl; ++s) {
        const auto it = std::lower_bound(grid.begin(), grid.begin() + ku, hdr_.pt[s] - kSameP);
        if (it != grid.begin() + ku && std::fabs(*it - hdr_.pt[s]) <= kSameP)
            sample_grid_[s] = static_cast<int>(it - grid.begin());
    }
    branch_segment_.assign(static_cast<std::size_t>(hdr_.nbrn), 0);
    for (int n = 0; n < hdr_.nseg; ++n)
        for (int b = hdr_.kndx[0][n]; b <= hdr_.kndx[1][n] && b <= hdr_.nbrn; ++b)
            if (b >= 1) branch_segment_[b - 1] = n;

    // Branches that continue as diffracted waves: the first of each of these names.
    std::array<std::string, 6> names{"P", "S", "pP", "sP", "pS", "sS"};
    diff_mark_.fill(false);
    for (int b = 0; b < hdr_.nbrn; ++b) {
        const int n = branch_segment_[b];
        const std::string code = branch_code(b);
        if (hdr_.nafl[0][n] > 0 && !code.empty() && (code[0] == 'P' || code[0] == 'S')) continue;
        for (auto& name : names) {
            if (!name.empty() && name == code) {
                diff_mark_[b] = true;
                name.clear();
                break;
            }
        }
    }
}

void ModelTables::read_record(int rec, int count, double* buffer) {
    if (!table_.bkin(rec, count, buffer))
        unreadable(base_ + ".tbl: cannot read record " + std::to_string(rec));
}

std::string ModelTables::branch_code(int branch) const {
    return code_text(hdr_.phcd[static_cast<std::size_t>(branch)]);
}

std::span<const SlownessLayer> ModelTables::interval(int w, int k) const {
    const auto& start = interval_start_[w];
    return std::span<const SlownessLayer>(mantle_[w]).subspan(start[k], start[k + 1] - start[k]);
}

std::string ModelTables::generic_name(std::string_view code) {
    std::string g;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == ' ') break;
        if (i >= 1) {
            const std::string_view rest = code.substr(i);
            if (rest.starts_with("ab") || rest.starts_with("ac") || rest.starts_with("df")) break;
            if (c == 'b' || c == 'g' || c == 'n') continue;
        }
        g += c;
    }
    return g;
}

namespace {

void say(std::ostream& out, const std::string& line) {
    out << line << '\n';
}

// Keywords read at the prompts until a blank one; explains the choices while none was given.
std::vector<std::string> ask_keywords(std::istream& in, std::ostream& out) {
    std::vector<std::string> keys;
    while (keys.empty()) {
        say(out, "Enter desired branch control list at the prompts:");
        std::string line;
        while (keys.size() < static_cast<std::size_t>(ttcap::kKeywords)) {
            out << "* " << std::flush;
            if (!std::getline(in, line)) break;
            const auto first = line.find_first_not_of(' ');
            if (first == std::string::npos) break;
            const auto last = line.find_last_not_of(' ');
            keys.push_back(line.substr(first, last - first + 1));
        }
        if (!keys.empty()) break;
        say(out, "You must enter some branch control information!");
        say(out, "     possibilities are:");
        say(out, "          P");
        say(out, "          P+");
        say(out, "          basic");
        say(out, "          S+");
        say(out, "          or any generic phase name");
        if (!in) break; // no more input: keep every segment
    }
    return keys;
}

} // namespace

std::array<int, ttcap::kSegments> select_segments(const ModelTables& tables,
                                                  std::span<const std::string> keywords,
                                                  const std::array<int, 3>& prflags,
                                                  std::istream& in, std::ostream& out) {
    std::array<int, ttcap::kSegments> segmsk{};
    segmsk.fill(1);
    std::vector<std::string> keys(keywords.begin(),
                                  keywords.begin() +
                                      std::min<std::size_t>(keywords.size(), ttcap::kKeywords));
    if (keys.size() == 1 && (keys[0] == "query" || keys[0] == "QUERY")) {
        keys = ask_keywords(in, out);
        if (keys.empty()) return segmsk;
    }
    // Generic names, one entry per run of equal names within a segment.
    struct Entry {
        std::string name;
        int seg;
    };
    std::vector<Entry> entries;
    for (int b = 0;
         b < tables.branch_count() && entries.size() < static_cast<std::size_t>(ttcap::kBranches);
         ++b) {
        const std::string g = ModelTables::generic_name(tables.branch_code(b));
        const int seg = tables.branch_segment(b);
        if (!entries.empty() && entries.back().seg == seg && entries.back().name == g) continue;
        entries.push_back({g, seg});
    }
    const bool all = keys.size() == 1 && (keys[0] == "all" || keys[0] == "ALL");
    if (!all) {
        // "P" holds the first P-type arrival at every distance: beyond the diffracted P that
        // is PKPdf (in the segment of PKiKP), but just past the PKP caustic near 145 degrees
        // PKPbc comes in first.
        static const std::vector<std::pair<std::string, std::vector<std::string>>> commands = {
            {"P", {"P", "PKiKP", "PKP"}},
            {"P+", {"P", "PKiKP", "PcP", "pP", "pPKiKP", "sP", "sPKiKP"}},
            {"basic",
             {"P", "PKiKP", "PcP", "pP", "pPKiKP", "sP", "sPKiKP", "ScP", "SKP", "PKKP", "SKKP",
              "PP", "S"}},
            {"S+", {"S", "ScS", "sS", "pS"}}};
        segmsk.fill(0);
        for (const std::string& key : keys) {
            const std::vector<std::string>* list = nullptr;
            for (const auto& c : commands)
                if (c.first == key) list = &c.second;
            bool found = false;
            for (const Entry& e : entries) {
                const bool hit = list ? std::find(list->begin(), list->end(), e.name) != list->end()
                                      : e.name == key;
                if (hit) {
                    segmsk[e.seg] = 1;
                    found = true;
                }
            }
            if (!list && !found) {
                FreeLine line("Brnset:  phase");
                line << key << "not found.";
                say(out, line.str());
            }
        }
    }
    if (prflags[2] != 0) {
        say(out, " Brnset:  the following phases have been selected -");
        for (int n = 0; n < tables.segment_count(); ++n) {
            if (!segmsk[n]) continue;
            FreeLine line;
            line << n + 1;
            int names = 0;
            for (const Entry& e : entries)
                if (e.seg == n) {
                    line << e.name;
                    ++names;
                }
            if (names == 0) {
                FreeLine missing("Brnset:  Segment pointer (");
                missing << n + 1 << ") missing?";
                say(out, missing.str());
            } else
                say(out, line.str());
        }
    }
    return segmsk;
}

} // namespace tw
