// tesk_ttgen MODEL OUTBASE: tabulates a spherical Earth model into OUTBASE.hed and OUTBASE.tbl.
#include <cstdio>
#include <string>

#include "commands/standard_options.hpp"
#include "traveltime/earth_model.hpp"
#include "traveltime/tabulate.hpp"

namespace {

constexpr const char* kUsage = "usage: tesk_ttgen MODEL OUTBASE\n"
                               "  MODEL: .tvel or .nd sampled model, or a polynomial model file\n";

void print_usage() {
    std::fputs(kUsage, stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (auto status = tw::answer_help_or_version(argc, argv, "tesk_ttgen", print_usage))
        return *status;
    if (argc != 3) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    tw::EarthModel model;
    if (!model.read(argv[1])) {
        std::fprintf(stderr, "tesk_ttgen: %s\n", model.error().c_str());
        return 1;
    }
    std::string why;
    std::vector<std::string> notes;
    if (!tw::write_model_tables(model, argv[2], why, &notes)) {
        std::fprintf(stderr, "tesk_ttgen: %s\n", why.c_str());
        return 1;
    }
    for (const auto& n : notes)
        std::fprintf(stderr, "tesk_ttgen: %s\n", n.c_str());
    return 0;
}
