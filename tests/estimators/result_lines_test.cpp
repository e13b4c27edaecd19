// The result lines, column by column, from records made by hand.
#include "estimators/result_lines.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace tw {
namespace {

TraceHeader station(const char* stat, const char* chan) {
    TraceHeader head;
    head.stat.assign(stat);
    head.chan.assign(chan);
    head.sample_rate = 100;
    return head;
}

TraceHeader rjob_like() {
    TraceHeader head;
    head.stat.assign("AB");
    head.chan.assign("HHZ");
    head.network.assign("BW");
    head.sample_rate = 100;
    head.azi = 90.0f;
    head.dip = -90.0f;
    head.slat = 47.737f;
    head.slon = 12.796f;
    return head;
}

ext_time sample_time() {
    ext_time t;
    t.year = 2024;
    t.doy = 45;
    t.hour = 3;
    t.minute = 7;
    t.second = 9;
    t.usec = 123456;
    return t;
}

// --- wood.wave ----------------------------------------------------------------------------

TEST(WoodLine, NumbersWithoutLeadingBlanksAndCodesRunTogether) {
    const TraceHeader head = station("STA", "HHZ");
    // log10(12.345 / 0.812) = 1.18194...
    EXPECT_EQ(wood_line(head, {12.345f, 0.812f, 5322}), " STAHHZ WAS 12.345 0.812 5321 1.182");
    EXPECT_EQ(wood_line(head, {0.01f, 1.0f, 1}), " STAHHZ WAS 0.010 1.000 0 -2.000");
}

TEST(WoodLine, StationCodeIsTakenToFourCharacters) {
    EXPECT_EQ(wood_line(station("RJOB", "EHZ"), {1.0f, 0.1f, 11}),
              " RJOBEHZ WAS 1.000 0.100 10 1.000");
    EXPECT_EQ(wood_line(station("ABCDE", "BHN"), {1.0f, 0.1f, 11}),
              " ABCDBHN WAS 1.000 0.100 10 1.000");
    EXPECT_EQ(wood_line(station("AB", "BHN"), {1.0f, 0.1f, 11}), " ABBHN WAS 1.000 0.100 10 1.000");
}

TEST(WoodLine, TooWideNumberIsTenAsterisks) {
    const TraceHeader head = station("STA", "HHZ");
    // the widest value that fits ten columns with three decimals, and the first that does not
    EXPECT_EQ(wood_line(head, {999999.875f, 1.0f, 1}), " STAHHZ WAS 999999.875 1.000 0 6.000");
    EXPECT_EQ(wood_line(head, {2.0e6f, 1.0f, 1}), " STAHHZ WAS ********** 1.000 0 6.301");
    EXPECT_EQ(wood_line(head, {1.0f, 1.0f, 1}).find('*'), std::string::npos);
}

TEST(WoodLine, ZeroAmplitudeOrPeriodHasNoMagnitude) {
    const TraceHeader head = station("STA", "HHZ");
    EXPECT_EQ(wood_line(head, {0.0f, 0.0f, 1}), " STAHHZ WAS 0.000 0.000 0 **********");
    EXPECT_EQ(wood_line(head, {5.0f, 0.0f, 7}), " STAHHZ WAS 5.000 0.000 6 **********");
}

// --- ground.wave and shake.wave ------------------------------------------------------------

TEST(PeakTime, IsStartPlusOneBasedIndexTimesInterval) {
    const int_time start{2024, 3600, 500000};
    EXPECT_EQ(peak_time(start, 1, 0.25f), (int_time{2024, 3600, 750000}));
    EXPECT_EQ(peak_time(start, 1000, 1.0f / 128.0f), (int_time{2024, 3608, 312500}));
    // 0.01 as a single real is slightly below 0.01; the product is taken in double precision and
    // the fraction of a microsecond dropped, so 1000 samples end 1 microsecond short of 10 s.
    EXPECT_EQ(peak_time(start, 1000, 1.0f / 100.0f), (int_time{2024, 3610, 499999}));
}

TEST(GroundLine, EveryColumnInPlace) {
    const std::string line = ground_line(rjob_like(), "PGA", 1.23456f, 0.5f, sample_time(), 25.5f);
    const std::string expected =
        std::string(" ") + "  AB" + " " + "HHZ" + " " + " BW " + " PGA " + " 90." + " " + "-90." +
        " " + "2024" + " " + " 45" + " " + " 3" + " " + " 7" + " " + " 9" + " " + " 1234" + " " +
        "     1.23456" + "     2.00000" + " 47.737" + " " + "  12.796" + " " + "    25.50000";
    EXPECT_EQ(line, expected);
    EXPECT_EQ(line.size(), 106u);
}

TEST(GroundLine, FieldsEndUnderTheirHeaderLabels) {
    const std::string header = kGroundHeader[1];
    ASSERT_EQ(header.size(), 106u);
    const std::string line =
        ground_line(rjob_like(), "PGV", 123.45678f, 0.25f, sample_time(), 1234.5f);
    ASSERT_EQ(line.size(), 106u);
    // last column (1-based) of each numeric field, which is also where its header label ends
    for (const char* label :
         {"Year", "Doy", "Hr", "Mn", "Sc", "Ms", "Amax", "Freq(hz)", "Lat", "Lon", "Dist(km)"}) {
        const std::size_t end = header.find(label) + std::string(label).size() - 1;
        EXPECT_NE(line[end], ' ') << label;
    }
    EXPECT_EQ(line.substr(14, 5), " PGV ");
    EXPECT_EQ(line.substr(53, 12), "   123.45678");
    EXPECT_EQ(line.substr(65, 12), "     4.00000");
    EXPECT_EQ(line.substr(94, 12), "  1234.50000");
}

TEST(GroundLine, OverflowAndZeroPeriodFillTheFieldWithAsterisks) {
    const std::string line = ground_line(rjob_like(), "PGD", 1.0e7f, 0.0f, sample_time(), 0.0f);
    EXPECT_EQ(line.size(), 106u);
    EXPECT_EQ(line.substr(53, 12), std::string(12, '*'));
    EXPECT_EQ(line.substr(65, 12), std::string(12, '*'));
    EXPECT_EQ(line.substr(94, 12), "     0.00000");
}

TEST(GroundLine, ShortCodesAreRightJustified) {
    TraceHeader head = rjob_like();
    head.stat.assign("ABCDEF");
    head.network.assign("X");
    const std::string line = ground_line(head, "PGA", 1.0f, 1.0f, sample_time(), 0.0f);
    EXPECT_EQ(line.substr(0, 19), " ABCD HHZ  X   PGA ");
}

TEST(ShakeLine, EveryColumnInPlace) {
    const std::string header = kShakeHeader[1];
    ASSERT_EQ(header.size(), 110u);
    const std::string line =
        shake_line(rjob_like(), {12.34f, 5.0f, 0.01f, 0.0f}, sample_time(), 25.5f);
    const std::string expected = std::string(" ") + "  AB" + " " + "HHZ" + " " + " BW " + " SHAK" +
                                 " 90." + " " + "-90." + " " + "2024" + " " + " 45" + " " + " 3" +
                                 " " + " 7" + " " + " 9" + " " + " 1234" + " " + " 12.340" +
                                 "  5.000" + "  0.010" + "  0.000" + " 47.737" + " " + "  12.796" +
                                 " " + "    25.50000";
    EXPECT_EQ(line, expected);
    EXPECT_EQ(line.size(), 110u);
    for (const char* label : {"5%", "10%", "25%", "50%", "Lat", "Lon", "Dist(km)"}) {
        const std::size_t end = header.find(label) + std::string(label).size() - 1;
        EXPECT_NE(line[end], ' ') << label;
    }
}

GroundMotion some_motion() {
    GroundMotion m;
    m.acc = {0.5f, 0.1f, 11};
    m.vel = {0.02f, 0.2f, 101};
    m.dsp = {0.001f, 0.4f, 1001};
    m.shake = {1.5f, 0.0f, 0.0f, 0.0f};
    return m;
}

TEST(GroundLines, MillimetreUnitsAndEachLineDatedAtItsPeak) {
    TraceHeader head = rjob_like();
    head.stime = int_time{2024, 0, 0};
    const auto lines = ground_lines(head, some_motion(), 10.0f);
    const char* kinds[] = {" PGA ", " PGV ", " PGD "};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(lines[i].size(), 106u);
        EXPECT_EQ(lines[i].substr(14, 5), kinds[i]);
    }
    // millimetre units and 1 / period
    EXPECT_EQ(lines[0].substr(53, 24), "   500.00000    10.00000");
    EXPECT_EQ(lines[1].substr(53, 24), "    20.00000     5.00000");
    EXPECT_EQ(lines[2].substr(53, 24), "     1.00000     2.50000");
    // peak times: 11, 101 and 1001 sample intervals after the start (0.11 s, 1.01 s, 10.01 s,
    // each a microsecond short of the decimal value since 0.01 is not exact in single precision)
    EXPECT_EQ(lines[0].substr(29, 23), "2024   1  0  0  0  1099");
    EXPECT_EQ(lines[1].substr(29, 23), "2024   1  0  0  1    99");
    EXPECT_EQ(lines[2].substr(29, 23), "2024   1  0  0 10    99");

    // The shake line is dated at the displacement peak.
    const std::string shake = shake_line(head, some_motion(), 10.0f);
    EXPECT_EQ(shake.size(), 110u);
    EXPECT_EQ(shake.substr(14, 5), " SHAK");
    EXPECT_EQ(shake.substr(29, 23), lines[2].substr(29, 23));
    EXPECT_EQ(shake.substr(53, 28), "  1.500  0.000  0.000  0.000");
}

// --- energy.wave and ramp.wave ------------------------------------------------------------

TraceHeader group_head() {
    TraceHeader head;
    head.stat.assign("STX");
    head.chan.assign("HHE");
    head.network.assign("CI");
    return head;
}

TEST(EnergyLine, EveryColumnInPlace) {
    const EnergyEstimate e{2.345f, 26.249f, 1.2345678e18f, 0.0123456f};
    const std::string l = energy_line(group_head(), e);
    EXPECT_EQ(l, "  STX HH  CI   EMAG   2.35   26.25     0.12346E+19    0.12346E-01");
    // A group without energy has no magnitude: the field overflows.
    EnergyEstimate silent{std::numeric_limits<float>::quiet_NaN(), 18.0f, 0.0f, 0.0f};
    const std::string s = energy_line(group_head(), silent);
    EXPECT_EQ(s.substr(21, 5), "*****");
    EXPECT_EQ(s.size(), 65u);
}

RampEstimate some_ramp() {
    RampEstimate e;
    e.fmw = 3.456;
    e.semw = 0.012;
    e.fm0 = 1.2345e22;
    e.sem0 = 2.5e20;
    e.chi = 0.5f;
    e.cvar = 99.5f;
    e.gamma_b = 0.25f;
    e.gamma_es = 3.0f;
    e.gamma_se = 0.001f;
    e.dist = 40.0f;
    e.stime = add_time(int_time{2024, 100 * 86400 + 45296, 789000}, -29, -123400);
    e.start = 28.63f;
    e.span = 6.0f;
    e.step = 0.5f;
    e.window_length = 5.5f;
    return e;
}

TEST(RampLine, EveryColumnInPlace) {
    const std::string l = ramp_line(group_head(), some_ramp(), false);
    ASSERT_EQ(l.size(), 191u) << l;
    EXPECT_EQ(l.substr(0, 21), "  STX HH  CI   RAMP  ");
    EXPECT_EQ(l.substr(21, 14), " 3.46   40.00 ");
    // 12:34:56.789 less 29.1234 s is 12:34:27.6656.
    EXPECT_EQ(l.substr(35, 24), "2024 101 12 34 27  6656 ");
    EXPECT_EQ(l.substr(59, 28), " 28.63   6.00   0.50   5.50 ") << "S, W, L and T columns";
    EXPECT_EQ(l.substr(87, 104), "0.01  0.12345E+23  0.25000E+21 .50000E+00 .99500E+02  "
                                 "0.25000E+00  0.00000E+00  0.30000E+01  0.10000E-02")
        << "10-column exponent fields drop the leading zero; the middle term is always zero";
    EXPECT_EQ(kRampHeader[1].size(), 164u);

    const std::string clipped = ramp_line(group_head(), some_ramp(), true);
    ASSERT_EQ(clipped.size(), 211u);
    EXPECT_EQ(clipped.substr(0, 191), l);
    EXPECT_EQ(clipped.substr(191), "   possible clipping");
}

} // namespace
} // namespace tw
