// Channel epochs into entries, checked through tesk_wave's own readers and response evaluation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "commands/meta/conversion.hpp"
#include "commands/meta/document_reader.hpp"
#include "commands/meta/ground_units.hpp"
#include "tests/commands/meta/read_back.hpp"
#include "tests/support/test_data.hpp"

namespace tw::meta {
namespace {

using testing::read_back;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

Inventory read_fixture(const std::string& name) {
    Inventory inv;
    std::string error;
    EXPECT_TRUE(read_document(tw::testing::test_data("stationxml/" + name), inv, error)) << error;
    return inv;
}

// The vertical RJOB channel, as the StationXML gives it.
ChannelEpoch rjob() {
    return read_fixture("BW_RJOB.xml").channels.at(0);
}

bool has_reason(const Conversion& c, const std::string& text) {
    for (const auto& r : c.reasons)
        if (r.find(text) != std::string::npos) return true;
    return false;
}

TEST(Conversion, EveryFixtureChannelMatchesItsSensitivityAsTeskWaveReadsIt) {
    const char* documents[] = {"BW_RJOB.xml",
                               "BW_GR_misc.xml",
                               "BW_RTSH.xml",
                               "IRIS_single_channel_with_response.xml",
                               "IUANMO.xml",
                               "IUANMO.resp",
                               "F1_423_small.xml",
                               "only_soh.xml",
                               "stationxml_BK.CMB.__.LKS.xml",
                               "full_random_stationxml.xml"};
    int converted = 0;
    double worst = 0.0;
    for (const char* document : documents) {
        for (const ChannelEpoch& c : read_fixture(document).channels) {
            const Conversion conversion = convert(c);
            if (!conversion.entry) continue;
            SCOPED_TRACE(std::string(document) + " " + channel_name(c));
            ++converted;
            ASSERT_TRUE(c.sensitivity && c.sensitivity->value && c.sensitivity->frequency);
            const double stated =
                *c.sensitivity->value / ground_unit(c.sensitivity->input_units)->metres;
            const testing::ReadBack r = read_back(*conversion.entry);
            ASSERT_EQ(r.response_status, 0);
            ASSERT_EQ(r.sensitivity_status, 0);
            const double ratio = r.amplitude(*c.sensitivity->frequency) / stated;
            EXPECT_NEAR(ratio, 1.0, 1e-3);
            worst = std::max(worst, std::abs(ratio - 1.0));
            EXPECT_NEAR(r.head.fp_sens / stated, 1.0, 1e-5);
        }
    }
    // 30 + 3 + 3 + 1 + 1 + 1 usable channel epochs; none of the others.
    EXPECT_EQ(converted, 39);
    RecordProperty("worst_relative_difference", testing::scientific(worst));
}

TEST(Conversion, TheRjobEntry) {
    const Conversion c = convert(rjob());
    ASSERT_TRUE(c.entry.has_value());
    EXPECT_TRUE(c.notes.empty());
    const StationEntry& e = *c.entry;
    EXPECT_EQ(e.motion, Motion::velocity);
    EXPECT_EQ(e.pz.zeros.size(), 2u);
    EXPECT_EQ(e.pz.poles.size(), 5u);
    // Close to A0 times the stage gains, the value the hand-made file holds.
    EXPECT_NEAR(e.gain / 1.5120029e17, 1.0, 2e-5);
    EXPECT_DOUBLE_EQ(e.sensitivity, 2.5168e9);
    EXPECT_DOUBLE_EQ(e.dip, -90.0);
    // -3 dB points around 0.02 Hz: where the amplitude is 1/sqrt(2) of that at 0.02 Hz.
    const double at_fs = std::abs(e.pz.at(0.02));
    EXPECT_NEAR(std::abs(e.pz.at(e.band.low_hz)) / at_fs, 1.0 / std::sqrt(2.0), 1e-6);
    EXPECT_NEAR(std::abs(e.pz.at(e.band.high_hz)) / at_fs, 1.0 / std::sqrt(2.0), 1e-6);
    EXPECT_NEAR(e.band.low_hz, 0.0082, 0.0001);
    EXPECT_GT(e.band.high_hz, 40.0);
}

TEST(Conversion, HertzPolesAndZerosAreTurnedIntoRadiansWithTheirNormalisation) {
    ChannelEpoch radians = rjob();
    ChannelEpoch hertz = radians;
    Stage& s = hertz.stages[0];
    s.kind = Stage::Kind::laplace_hertz;
    for (auto& z : s.pz.zeros)
        z /= kTwoPi;
    for (auto& p : s.pz.poles)
        p /= kTwoPi;
    // The same response in Hz: A0 (2 pi)^(nz - np).
    *s.a0 *= std::pow(kTwoPi, static_cast<double>(s.pz.zeros.size()) -
                                  static_cast<double>(s.pz.poles.size()));
    for (const double f : {0.01, 1.0, 30.0})
        EXPECT_NEAR(std::abs(*s.a0 * hertz_to_radians_factor(s.pz) * hertz_to_radians(s.pz).at(f)) /
                        std::abs(*radians.stages[0].a0 * radians.stages[0].pz.at(f)),
                    1.0, 1e-12);
    const Conversion a = convert(radians), b = convert(hertz);
    ASSERT_TRUE(a.entry && b.entry);
    EXPECT_NEAR(b.entry->gain / a.entry->gain, 1.0, 1e-6);
    for (std::size_t i = 0; i < a.entry->pz.poles.size(); ++i)
        EXPECT_NEAR(std::abs(b.entry->pz.poles[i] - a.entry->pz.poles[i]), 0.0,
                    1e-5 * std::abs(a.entry->pz.poles[i]));
    // Without an overall sensitivity the gain is A0 times the stage gains, A0 in rad/s.
    hertz.sensitivity.reset();
    const Conversion c = convert(hertz);
    ASSERT_TRUE(c.entry.has_value());
    EXPECT_NEAR(c.entry->gain / (6.0077e7 * 1500.0 * 1677850.0), 1.0, 1e-6);
}

TEST(Conversion, ScaledUnitsAreConvertedToMetres) {
    ChannelEpoch nm = rjob();
    nm.sensitivity->input_units = "NM/S";
    nm.sensitivity->value = *nm.sensitivity->value * 1e-9; // counts per nm/s
    const Conversion c = convert(nm);
    ASSERT_TRUE(c.entry.has_value());
    EXPECT_NEAR(c.entry->sensitivity / 2.5168e9, 1.0, 1e-6);
    EXPECT_NEAR(c.entry->gain / convert(rjob()).entry->gain, 1.0, 1e-6);
}

TEST(Conversion, ASensitivityInAnotherQuantityThanTheSensor) {
    // The sensor's poles and zeros respond to velocity; the overall sensitivity is stated per
    // m/s^2 at 1 Hz: the entry responds to acceleration, one zero at the origin fewer.
    ChannelEpoch acc = rjob();
    acc.sensitivity->input_units = "M/S**2";
    acc.sensitivity->frequency = 1.0;
    acc.sensitivity->value = 4.0e8;
    const Conversion c = convert(acc);
    ASSERT_TRUE(c.entry.has_value());
    EXPECT_EQ(c.entry->motion, Motion::acceleration);
    EXPECT_EQ(c.entry->pz.zeros.size(), 1u);
    const testing::ReadBack r = read_back(*c.entry);
    EXPECT_EQ(r.instr.unit_code, 2);
    EXPECT_NEAR(r.amplitude(1.0) / 4.0e8, 1.0, 1e-3);
}

TEST(Conversion, WithoutPolesAndZerosTheResponseIsFlat) {
    ChannelEpoch flat = rjob();
    flat.stages.erase(flat.stages.begin());
    const Conversion c = convert(flat);
    ASSERT_TRUE(c.entry.has_value());
    EXPECT_TRUE(c.entry->pz.poles.empty() && c.entry->pz.zeros.empty());
    EXPECT_DOUBLE_EQ(c.entry->gain, 2.5168e9);
    ASSERT_EQ(c.notes.size(), 1u);
}

TEST(Conversion, OrientationAndPeriod) {
    ChannelEpoch c = rjob();
    c.azimuth = -90.0;
    c.end = parse_iso_time("2599-12-31T23:59:59"); // far future: an open end
    Conversion out = convert(c);
    ASSERT_TRUE(out.entry.has_value());
    EXPECT_DOUBLE_EQ(out.entry->azimuth, 270.0);
    EXPECT_FALSE(out.entry->end.has_value());
    EXPECT_EQ(end_limit(*out.entry), (MinuteDate{2599, 366, 0, 0}));
    // Without azimuth and dip the channel code tells them.
    c.azimuth.reset();
    c.channel = "HHE";
    out = convert(c);
    ASSERT_TRUE(out.entry.has_value());
    EXPECT_DOUBLE_EQ(out.entry->azimuth, 90.0);
    EXPECT_DOUBLE_EQ(out.entry->dip, 0.0);
    EXPECT_EQ(out.notes.size(), 1u);
}

// tesk_wave takes no date before 1900: an earlier start is written as 1900, an epoch that ends
// before 1900 is not written at all.
TEST(Conversion, PeriodsReachingBefore1900) {
    ChannelEpoch c = rjob();
    c.start = parse_iso_time("1009-12-31T12:30:30");
    Conversion out = convert(c);
    ASSERT_TRUE(out.entry.has_value());
    EXPECT_EQ(begin_limit(*out.entry), (MinuteDate{1900, 1, 0, 0}));
    EXPECT_EQ(
        std::count_if(out.notes.begin(), out.notes.end(),
                      [](const std::string& n) { return n.starts_with("starts before 1900"); }),
        1);
    c.end = parse_iso_time("1899-12-31T23:59:59");
    EXPECT_TRUE(has_reason(convert(c), "ends before 1900"));
}

TEST(Conversion, ChannelsThatCannotBeUsedSayWhy) {
    ChannelEpoch c = rjob();
    c.sensitivity->input_units = "PA";
    EXPECT_TRUE(has_reason(convert(c), "input unit \"PA\" is no ground motion"));

    c = rjob();
    c.stages.clear();
    c.sensitivity.reset();
    c.has_response = false;
    EXPECT_TRUE(has_reason(convert(c), "no response"));

    c = rjob();
    c.stages[0].kind = Stage::Kind::response_list;
    EXPECT_TRUE(has_reason(convert(c), "stage 1: response given as a list of values"));

    c = rjob();
    c.stages[0].pz.poles.resize(59);
    EXPECT_TRUE(has_reason(convert(c), "61 poles and zeros, more than the 60"));

    c = rjob();
    c.end = parse_iso_time("2000-01-01");
    EXPECT_TRUE(has_reason(convert(c), "ends before it begins"));

    c = rjob();
    c.latitude.reset();
    c.channel = "EHZ1";
    const Conversion two = convert(c);
    EXPECT_TRUE(has_reason(two, "no coordinates"));
    EXPECT_TRUE(has_reason(two, "channel code is not 3 characters"));

    c = rjob();
    c.stages[0].pz.zeros = {Complex(0.0, 0.0), Complex(0.0, 0.0), Complex(0.0, 0.0)};
    c.sensitivity->frequency = 0.0; // the zeros at the origin leave nothing at 0 Hz
    EXPECT_TRUE(has_reason(convert(c), "give no response at the sensitivity frequency 0 Hz"));

    // An underscore would be read back as a blank, a line end would end the line.
    c = rjob();
    c.station = "RJ_B";
    EXPECT_TRUE(has_reason(convert(c), "a code holds characters other than letters and digits"));
    c = rjob();
    c.network = "B\nW";
    EXPECT_TRUE(has_reason(convert(c), "a code holds characters other than letters and digits"));

    // Poles and zeros in Hz given as if in rad/s: a gain no single-precision reader holds.
    c = rjob();
    c.stages[0].pz.poles.assign(40, Complex(-1.0e3, 0.0));
    EXPECT_TRUE(has_reason(convert(c), "beyond single precision"));
}

} // namespace
} // namespace tw::meta
