#include <gtest/gtest.h>

#include <numeric>

#include "driver/component_group.hpp"
#include "driver/save_file.hpp"
#include "driver/window.hpp"
#include "dsp/coinst2.hpp"
#include "tests/support/run_program.hpp"
#include "text/messages.hpp"

using namespace tw;

namespace {

// What the code under test said.
MessageLog said;

TraceHeader trace(int npts, int rate) {
    TraceHeader head;
    head.stat = "STA";
    head.chan = "HHZ";
    head.network = "XX";
    head.sample_rate = rate;
    head.npts = npts;
    head.stime = int_time{2024, 1000, 0};
    int s = 0, us = 0;
    f_time_interval2(npts, rate, 1, s, us);
    f_add_time(head.stime, s, us, head.endtime);
    return head;
}

} // namespace

TEST(TransformLength, SmallestPowerOfTwoOfTwiceTheSamples) {
    EXPECT_EQ(coinst2_length(1), 4);
    EXPECT_EQ(coinst2_length(2), 4);
    EXPECT_EQ(coinst2_length(3), 8);
    EXPECT_EQ(coinst2_length(4), 8);
    EXPECT_EQ(coinst2_length(16384), 32768); // the largest trace that fits the work arrays
    EXPECT_EQ(coinst2_length(16385), 65536);
}

TEST(ExtraWindow, CutsAndMovesTheSamples) {
    TraceHeader head = trace(1000, 100);
    std::vector<int32_t> idata(kMaxSamples);
    std::iota(idata.begin(), idata.begin() + 1000, 1);
    int_time t1{}, t2{};
    f_add_time(head.stime, 2, 0, t1);
    f_add_time(head.stime, 5, 0, t2);
    int ierr = -1;
    extra_window(head, idata, t1, t2, ierr);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(head.npts, 301); // samples 201 to 501
    EXPECT_EQ(idata[0], 201);
    EXPECT_EQ(idata[300], 501);
    EXPECT_EQ(head.stime, t1);
    EXPECT_EQ(head.endtime, t2);
}

TEST(ExtraWindow, LateStartEarlyEndAndTheTraceEnd) {
    std::vector<int32_t> idata(kMaxSamples, 7);
    TraceHeader head = trace(1000, 100);
    int_time before{}, inside{}, end_plus{};
    f_add_time(head.stime, -1, 0, before);
    f_add_time(head.stime, 1, 0, inside);
    f_add_time(head.endtime, 0, 1, end_plus);
    int ierr = 0;
    extra_window(head, idata, before, inside, ierr);
    EXPECT_EQ(ierr, 998);
    extra_window(head, idata, inside, end_plus, ierr);
    EXPECT_EQ(ierr, 999);
    // A window ending exactly at the trace end stops at the last sample read.
    idata[999] = 42;
    idata[1000] = -1;
    extra_window(head, idata, inside, head.endtime, ierr);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(head.npts, 900);
    EXPECT_EQ(idata[899], 42);
}

TEST(CheckWindow, EarliestAndLatestArrivals) {
    const int_time origin{2024, 1000, 0};
    int_time begin{}, end{};
    int ierr = -1;
    // 90 km: earliest 20 s, latest 36 s after the origin.
    f_add_time(origin, 19, 0, begin);
    f_add_time(origin, 37, 0, end);
    check_window(begin, end, origin, 90.0f, ierr);
    EXPECT_EQ(ierr, 0);
    f_add_time(origin, 21, 0, begin);
    check_window(begin, end, origin, 90.0f, ierr);
    EXPECT_EQ(ierr, 998);
    f_add_time(origin, 19, 0, begin);
    f_add_time(origin, 35, 0, end);
    check_window(begin, end, origin, 90.0f, ierr);
    EXPECT_EQ(ierr, 999);
    // Beyond 100 km the latest arrival travels at 2.0 km/s: 200 km gives 100 s.
    f_add_time(origin, 99, 0, end);
    check_window(begin, end, origin, 200.0f, ierr);
    EXPECT_EQ(ierr, 999);
}

TEST(ComponentGroup, GroupsByStationBandAndStartTime) {
    ComponentGroup group;
    const int_time t{2024, 10, 0};
    group.add("STA ", "HHE", t, said);
    group.add("STA ", "HHN", t, said);
    group.add("STA ", "HHZ", t, said);
    EXPECT_EQ(group.icomp(), 3);
    EXPECT_EQ(group.ic(), (std::array<int, 3>{1, 1, 1}));
    group.close_if_complete();
    EXPECT_EQ(group.icomp(), 0);
    // A fourth file of the same station starts a new group without a message.
    said.out.clear();
    group.add("STA ", "HHZ", t, said);
    group.add("OTH ", "HH1", t, said);
    const std::string out = said.out;
    EXPECT_EQ(out, "  Tesk_wave - unexpected channel  0.0\n");
    EXPECT_EQ(group.icomp(), 1);
    EXPECT_EQ(group.ic(), (std::array<int, 3>{1, 0, 0}));
    // Same station and band but another start time: the difference is reported.
    said.out.clear();
    group.add("OTH ", "HH2", int_time{2024, 12, 500000}, said);
    EXPECT_EQ(said.out, "  Tesk_wave - unexpected channel  2500000.0\n");
}

TEST(SaveToAscii, ExactColumnsAndAppendedRecords) {
    tw::testing::TempDir dir;
    TraceHeader head = trace(3, 100);
    head.azi = 90.0f;
    head.dip = -90.0f;
    head.stime = int_time{2009, 20 * 60 + 3, 123456};
    const float d1[3] = {1.0f, -4.0f, 2.0f};
    int ierr = -1;
    const auto path = (dir / "x.wood").string();
    save_to_ascii(head, d1, path, ierr);
    save_to_ascii(head, d1, path, ierr);
    EXPECT_EQ(ierr, 0);
    const std::string record =
        std::string("STA  HHZ XX 0.010      3  90. -90.  0.40000E+01 2009   1  0 20  3  1234 ") +
        std::string(32, '\0') + "\n" + "     1      0.25000\n" + "     2     -1.00000\n" +
        "     3      0.50000\n";
    EXPECT_EQ(tw::testing::slurp(path), record + record);

    // An all-zero trace writes zeros instead of dividing by zero.
    const float zeros[3] = {0.0f, 0.0f, 0.0f};
    save_to_ascii(head, zeros, (dir / "z.wood").string(), ierr);
    EXPECT_NE(tw::testing::slurp(dir / "z.wood").find("     1      0.00000\n"), std::string::npos);
}
