#include <gtest/gtest.h>

#include <libmseed.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <string>

#include "example_files.hpp"
#include "tests/support/libmseed.hpp"
#include "text/fields.hpp"
#include "text/format.hpp"
#include "text/tokens.hpp"

using namespace tw;
using namespace tw::testing;

namespace {

struct EventLine {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
    double second = 0, latitude = 0, longitude = 0, depth = 0;
    int64_t origin_us() const {
        int doy = 0;
        ms_md2doy(year, month, day, &doy);
        const int whole = static_cast<int>(second);
        return epoch_us(year, doy, hour, minute, whole,
                        static_cast<int>(std::lround((second - whole) * 1e6)));
    }
};

EventLine read_event() {
    const auto lines = read_lines(example_dir() / "synth.event");
    EventLine e;
    EXPECT_EQ(lines.size(), 1u);
    const int n =
        std::sscanf(lines.at(0).c_str(), "%d/%d/%d/%d:%d:%lf %lf %lf %lf", &e.year, &e.month,
                    &e.day, &e.hour, &e.minute, &e.second, &e.latitude, &e.longitude, &e.depth);
    EXPECT_EQ(n, 9) << lines.at(0);
    return e;
}

double sphere_km(double lat1, double lon1, double lat2, double lon2) {
    const double d = std::numbers::pi / 180.0;
    const double h =
        std::pow(std::sin((lat2 - lat1) * d / 2), 2) +
        std::cos(lat1 * d) * std::cos(lat2 * d) * std::pow(std::sin((lon2 - lon1) * d / 2), 2);
    return 2.0 * 6371.0 * std::asin(std::sqrt(h));
}

std::map<std::string, TruthLine> truth_by_station() {
    std::map<std::string, TruthLine> m;
    for (const auto& t : read_truth(example_dir() / "synth.truth"))
        m[t.station] = t;
    return m;
}

} // namespace

TEST(ExampleMetadata, CoordinatesReadByColumnsMatchTheTruthDistances) {
    const EventLine ev = read_event();
    const auto truth = truth_by_station();
    const auto lines = read_lines(example_dir() / "synth.stat");
    ASSERT_EQ(lines.size(), 4u);
    double nearest = 1e9, farthest = 0;
    for (const auto& line : lines) {
        const std::string code = column(line, 1, 4);
        ASSERT_TRUE(truth.count(code)) << line;
        EXPECT_EQ(column(line, 5, 5), " ");
        const auto lat = read_real(column(line, 6, 13), 4);
        const auto lon = read_real(column(line, 15, 23), 4);
        const auto ele = read_real(column(line, 25, 30), 1);
        ASSERT_TRUE(lat && lon && ele) << line;
        const double km = sphere_km(ev.latitude, ev.longitude, *lat, *lon);
        EXPECT_NEAR(km, truth.at(code).epicentral_km, 0.01) << code;
        EXPECT_NEAR(std::hypot(km, ev.depth), truth.at(code).hypocentral_km, 0.01) << code;
        nearest = std::min(nearest, km);
        farthest = std::max(farthest, km);
    }
    EXPECT_GE(nearest, 10.0);
    EXPECT_LE(farthest, 150.0);
    EXPECT_GT(farthest / nearest, 5.0);
}

TEST(ExampleMetadata, PicksAreTheModelArrivalsAndTheWindowFitsTheTraces) {
    const EventLine ev = read_event();
    const auto truth = truth_by_station();
    const auto lines = read_lines(example_dir() / "synth.pick");
    ASSERT_EQ(lines.size(), 2u + 4u * 2u);
    std::map<std::string, int> seen;
    for (std::size_t i = 2; i < lines.size(); ++i) {
        std::string line = lines[i];
        std::replace(line.begin(), line.end(), ':', ' ');
        int pos = 0;
        std::vector<std::string> tok;
        for (int k = 0; k < 13; ++k)
            tok.push_back(ciptok(line, pos, 16));
        const std::string station = std::string(strip_blanks(tok[0]));
        auto number = [&](int k) {
            float v = 0;
            int flag = 0;
            cipnum(tok[static_cast<std::size_t>(k)], v, flag);
            EXPECT_EQ(flag, 0) << lines[i] << " token " << k;
            return v;
        };
        const float seconds = number(12);
        const int whole = static_cast<int>(seconds);
        const int64_t pick =
            epoch_us(static_cast<int>(number(8)), static_cast<int>(number(9)),
                     static_cast<int>(number(10)), static_cast<int>(number(11)), whole,
                     static_cast<int>(std::lround((seconds - whole) * 1e6)));
        const std::string phase = std::string(strip_blanks(tok[4]));
        const double speed = phase == "P" ? 5.8 : 3.36;
        ASSERT_TRUE(truth.count(station)) << lines[i];
        const double expected = truth.at(station).hypocentral_km / speed;
        EXPECT_NEAR((pick - ev.origin_us()) * 1e-6, expected, 0.0051) << lines[i];

        if (seen[station]++ == 0) {
            // The first pick of a station is its P pick on the vertical; the analysis window
            // from 30 s before to 60 s after it lies inside all three traces.
            EXPECT_EQ(phase, "P");
            EXPECT_EQ(std::string(strip_blanks(tok[1])), "HHZ");
            for (const char* chan : {"HHZ", "HHN", "HHE"}) {
                const auto d = decode_with_libmseed(
                    read_bytes(example_dir() / ("XX." + station + ".." + chan + ".mseed")), 512);
                ASSERT_TRUE(d.ok);
                std::size_t n = 0;
                for (const auto& r : d.records)
                    n += r.samples.size();
                const int64_t start = d.records.front().start_us;
                const int64_t end = start + static_cast<int64_t>(n) * 10000;
                EXPECT_LE(start, pick - 30000000) << station << chan;
                EXPECT_GE(end, pick + 60000000) << station << chan;
                EXPECT_LE(9001u, n);
            }
        }
    }
    EXPECT_EQ(seen.size(), 4u);
}
