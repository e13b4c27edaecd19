// tesk_tt [-model BASE] [-k KEYWORD] DEPTH DIST...: travel times of a source at DEPTH km to
// stations at the distances DIST (degrees), one line per arrival.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "commands/standard_options.hpp"
#include "text/format.hpp"
#include "traveltime/model_paths.hpp"
#include "traveltime/travel_times.hpp"

namespace {

constexpr double kMaxDepth = 6371.0; // km, the Earth's radius
constexpr double kMaxDistance = 360.0;

int usage() {
    std::printf("usage: tesk_tt [-model BASE] [-k KEYWORD] DEPTH DIST...\n"
                "  BASE: model tables BASE.hed and BASE.tbl (default: %s)\n"
                "  KEYWORD: phase list, \"all\" (default), P, P+, basic, S+ or a phase name\n"
                "  DEPTH: source depth, 0 to 6371 km; DIST: distances, 0 to 360 degrees\n",
                tw::default_model_base());
    return 1;
}

int refuse(const std::string& why) {
    std::printf(" tesk_tt - %s\n", why.c_str());
    return usage();
}

// A decimal number as people write it: sign, digits with an optional point, optional
// exponent. Hexadecimal, "inf", "nan" and values beyond the double range are not numbers here.
bool parse_decimal(const char* text, double& value) {
    if (*text == '\0' || std::strspn(text, "0123456789+-.eE") != std::strlen(text)) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && errno != ERANGE && std::isfinite(value);
}

} // namespace

int main(int argc, char** argv) {
    if (auto status = tw::answer_help_or_version(argc, argv, "tesk_tt", [] { usage(); }))
        return *status;
    std::string base = tw::default_model_base();
    std::string keyword = "all";
    std::vector<float> numbers;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-model" || arg == "-k") {
            if (i + 1 >= argc) return refuse(arg + " needs a value");
            const std::string value = argv[++i];
            // The tables are named by the text up to its first blank.
            if (arg == "-model" && value.substr(0, value.find(' ')).empty())
                return refuse("empty model name");
            if (arg == "-k" && value.find_first_not_of(' ') == std::string::npos)
                return refuse("empty phase list");
            (arg == "-model" ? base : keyword) = value;
            continue;
        }
        double v = 0.0;
        if (!parse_decimal(argv[i], v)) return refuse("not a number: " + arg);
        const bool depth = numbers.empty();
        const double limit = depth ? kMaxDepth : kMaxDistance;
        if (v < 0.0 || v > limit)
            return refuse((depth ? "depth out of range (0 to 6371 km): "
                                 : "distance out of range (0 to 360 degrees): ") +
                          arg);
        numbers.push_back(static_cast<float>(v));
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
