// tesk_tt [-model BASE] [-k KEYWORD] DEPTH DIST...: travel times of a source at DEPTH km to
// stations at the distances DIST (degrees), one line per arrival.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "commands/standard_options.hpp"
#include "text/format.hpp"
#include "traveltime/model_paths.hpp"
#include "traveltime/travel_times.hpp"

namespace {

int usage() {
    std::printf("usage: tesk_tt [-model BASE] [-k KEYWORD] DEPTH DIST...\n"
                "  BASE: model tables BASE.hed and BASE.tbl (default: the iasp91 tables of\n"
                "        the build tree, else the installed ones)\n"
                "  KEYWORD: phase list, \"all\" (default), P, P+, basic, S+ or a phase name\n");
    return 1;
}

// The tables this build made while its tree exists, else the installed (compiled-in) ones.
std::string default_base() {
    const std::string built = tw::built_model_base();
    return std::filesystem::exists(built + ".hed") ? built : tw::default_model_base();
}

bool to_float(const char* text, float& value) {
    char* end = nullptr;
    value = std::strtof(text, &end);
    return end != text && *end == '\0';
}

} // namespace

int main(int argc, char** argv) {
    if (auto status = tw::answer_help_or_version(argc, argv, "tesk_tt", [] { usage(); }))
        return *status;
    std::string base = default_base();
    std::string keyword = "all";
    std::vector<float> numbers;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "-model" || arg == "-k") && i + 1 < argc) {
            (arg == "-model" ? base : keyword) = argv[++i];
            continue;
        }
        float v;
        if (!to_float(argv[i], v)) {
            std::printf(" tesk_tt - not a number: %s\n", argv[i]);
            return usage();
        }
        numbers.push_back(v);
    }
    if (numbers.size() < 2) return usage();
    tw::TravelTimeCalculator calc(base);
    tw::TravelTimes tt;
    for (std::size_t i = 1; i < numbers.size(); ++i) {
        calc.ttimes(numbers[0], numbers[i], keyword, tt);
        for (int k = 0; k < tt.n; ++k) {
            tw::FixedLine line;
            line.f(numbers[i], 8, 3)
                .blanks(1)
                .a(tt.phcd[k].trimmed(), 8)
                .blanks(1)
                .f(tt.tt[k], 10, 3)
                .blanks(1)
                .f(tt.dtdd[k], 9, 4)
                .blanks(1)
                .f(tt.dtdh[k], 9, 4)
                .blanks(1)
                .e(tt.dddp[k], 12, 5);
            std::printf("%s\n", line.str().c_str());
        }
    }
    return 0;
}
