// The example's metadata read back through the analyser's own readers and date parser.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <string>

#include "example_files.hpp"
#include "metadata/coordinates.hpp"
#include "metadata/picks.hpp"
#include "metadata/response.hpp"
#include "metadata/sensitivity.hpp"
#include "text/messages.hpp"
#include "time/int_time.hpp"
#include "time/parse_date.hpp"

using namespace tw;
using namespace tw::testing;

namespace {

// What the code under test said.
MessageLog said;

std::string example_file(const char* name) {
    return (example_dir() / name).string();
}

// The traces start 2024-03-15 (day 75) 12:29:34.000.
int_time trace_start() {
    ext_time e;
    e.year = 2024;
    e.doy = 75;
    e.month = 3;
    e.day = 15;
    e.hour = 12;
    e.minute = 29;
    e.second = 34;
    return ext_to_int(e);
}

} // namespace

TEST(ExampleThroughReaders, EveryTraceFindsCoordinatesResponseSensitivityAndPicks) {
    const auto truth = read_truth(example_dir() / "synth.truth");
    ASSERT_EQ(truth.size(), 12u);
    for (const auto& t : truth) {
        const std::string where = t.station + " " + t.channel;
        TraceHeader head;
        head.stat = t.station;
        head.chan = t.channel;
        head.stime = trace_start();

        float lat = 0, lon = 0, ele = 0;
        int ierr = -1;
        fetch_coord(example_file("synth.stat"), FixedText<4>(t.station), lat, lon, ele, ierr);
        EXPECT_EQ(ierr, 0) << where;
        EXPECT_GT(lat, 45.0f);
        EXPECT_LT(lat, 47.5f);

        InstrumentResponse instr;
        fetch_response(example_file("synth.resp"), head, instr, ierr);
        ASSERT_EQ(ierr, 0) << where;
        EXPECT_EQ(instr.unit_code, 1);
        EXPECT_EQ(instr.np, 4);
        EXPECT_EQ(instr.nz, 2);
        EXPECT_EQ(head.dip, t.channel == "HHZ" ? -90.0f : 0.0f) << where;
        EXPECT_EQ(head.azi, t.channel == "HHE" ? 90.0f : 0.0f) << where;

        // The response as the analyser holds it, at 1 Hz, equals the sensitivity it reads.
        const std::complex<float> s(0.0f, 2.0f * static_cast<float>(std::numbers::pi));
        std::complex<float> r(instr.gs, 0.0f);
        for (int k = 0; k < instr.nz; ++k)
            r *= s - instr.poles[static_cast<std::size_t>(instr.np + k)];
        for (int k = 0; k < instr.np; ++k)
            r /= s - instr.poles[static_cast<std::size_t>(k)];
        Sensitivity sens;
        fetch_sens(example_file("synth.sens"), head, sens, ierr);
        ASSERT_EQ(ierr, 0) << where;
        EXPECT_EQ(sens.unit_code, 1);
        EXPECT_NEAR(sens.fp_sens / std::abs(r), 1.0, 1e-4) << where;
        EXPECT_NEAR(sens.fp_lc, 1.0 / 120.0, 1e-5);
        EXPECT_NEAR(sens.fp_hc, 40.0, 1e-4);

        std::array<PickRecord, kMaxPicks> picks;
        int ipick = 0;
        fetch_pick(example_file("synth.pick"), head, picks, ipick, ierr, said);
        EXPECT_EQ(ierr, 0) << where;
        ASSERT_EQ(ipick, 2) << where;
        EXPECT_EQ(picks[0].pid.trimmed(), "P");
        EXPECT_EQ(picks[1].pid.trimmed(), "S");
        // The window of the energy and ramp estimators fits the trace: 30 s before the first
        // pick is after its start, 60 s after it before its end (12000 samples, 120 s).
        const double lead = tdiff(picks[0].pdate, head.stime) * 1e-6;
        EXPECT_GE(lead, 30.0) << where;
        EXPECT_LE(lead + 60.0, 120.0) << where;
        EXPECT_LT(tdiff(picks[0].pdate, picks[1].pdate), 0.0) << where;
    }
}

TEST(ExampleThroughReaders, EventLineOriginTimeParsesAsTheOptionTakesIt) {
    const auto lines = read_lines(example_dir() / "synth.event");
    ASSERT_EQ(lines.size(), 1u);
    const std::string origin = lines[0].substr(0, lines[0].find(' '));
    const auto t = parse_date(origin);
    ASSERT_TRUE(t.has_value()) << origin;
    EXPECT_DOUBLE_EQ(tdiff(*t, trace_start()), 30.25e6);
}
