#include "dsp/responses.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <vector>

namespace {

using tw::cfloat;
using cdouble = std::complex<double>;

TEST(Wood, NaturalFrequencyHighFrequencyLimitAndZero) {
    cfloat v;
    tw::wood(v, 7.853987f);
    EXPECT_NEAR(std::abs(v), 1507246.0f, 2.0f); // 2080000 / (2 * 0.69)
    EXPECT_NEAR(std::arg(v) * 180.0 / std::numbers::pi, 90.0, 0.01);

    tw::wood(v, 1.0e5f);
    EXPECT_NEAR(v.real(), 2080000.0f, 1.0f);
    EXPECT_NEAR(std::arg(v), 0.0, 1e-3);

    tw::wood(v, 0.0f);
    EXPECT_EQ(std::abs(v), 0.0f);
}

// Gain times prod(s - z) / prod(s - p), in double precision.
cdouble pole_zero(double w, double gain, const std::vector<cdouble>& zeros,
                  const std::vector<cdouble>& poles) {
    const cdouble s(0.0, w);
    cdouble r = gain;
    for (const auto& z : zeros)
        r *= s - z;
    for (const auto& p : poles)
        r /= s - p;
    return r;
}

std::vector<cdouble> conj_pair(double re, double im) {
    return {cdouble(re, im), cdouble(re, -im)};
}

std::vector<cdouble> join(std::initializer_list<std::vector<cdouble>> parts) {
    std::vector<cdouble> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

std::vector<cdouble> at_origin(int n) {
    return std::vector<cdouble>(n, cdouble(0.0, 0.0));
}

struct StandardCase {
    const char* name;
    void (*routine)(cfloat&, float);
    double gain;
    std::vector<cdouble> zeros, poles;
};

TEST(StandardInstruments, MatchTheirPoleZeroProductsInDoublePrecision) {
    const std::vector<StandardCase> cases = {
        {"ben100", tw::ben100, 2.8791e+14, at_origin(5),
         join({conj_pair(-4.033, 6.37),
               {cdouble(-18.03, 0)},
               conj_pair(-0.04442, 0.04444),
               conj_pair(-111.1, 111.1),
               conj_pair(-8.415, 0.357)})},
        {"wood", tw::wood, 2080000, at_origin(2), conj_pair(-5.41925, 5.68479)},
        {"ulp", tw::ulp, 9.46127e+17, at_origin(2),
         join({conj_pair(-0.0439823, 0.04487092),
               conj_pair(-48.54028, 149.3916),
               conj_pair(-127.0801, 92.32909),
               {cdouble(-157.0796, 0)}})},
        {"wwsp", tw::wwsp, 432.834, at_origin(3),
         join({conj_pair(-4.04094, 6.47935),
               {cdouble(-9.25238, 0), cdouble(-7.6743, 0), cdouble(-16.72981, 0)}})},
        {"wwlp", tw::wwlp, 0.5985275, at_origin(3),
         join({conj_pair(-0.257, 0.3376), {cdouble(-0.06283, 0), cdouble(-0.06283, 0)}})},
        {"hglp", tw::hglp, 3720390, join({conj_pair(0.0, 1.053), at_origin(5)}),
         join({{-0.201, -0.201, -0.1466, -0.2932, -0.05712, -3.928, -0.06823, -0.06823, -0.06283,
                -0.282},
               conj_pair(-0.1372, 0.5919),
               conj_pair(-0.3312, 0.241)})},
        {"sts1", tw::sts1, 4.18033e+12, at_origin(3),
         join({conj_pair(-0.01234122, 0.01234146), conj_pair(-39.17566, 49.12341)})},
        {"ben14", tw::ben14, 1.29181e+24, at_origin(5),
         join({{cdouble(-3.71674, 0)},
               conj_pair(-14.1722, 11.7587),
               conj_pair(-21.9911, 22.4355),
               conj_pair(-16.2621, 60.6909),
               conj_pair(-44.4288, 44.4288),
               conj_pair(-60.6909, 16.2621),
               conj_pair(-44.4288, 44.4288),
               {cdouble(-0.0628319, 0)}})},
        {"asro", tw::asro, 4.6366e+07, at_origin(4),
         join({conj_pair(-0.209, 0.00341),
               conj_pair(-0.129, 0.27),
               conj_pair(-0.0595, 0.0236),
               conj_pair(-0.159, 0.594),
               conj_pair(-0.856, 0.255),
               conj_pair(-0.541, 0.683),
               {cdouble(-0.63, 0), cdouble(-0.0885, 0)}})},
        {"sts2", tw::sts2, 2.92692e+16, at_origin(3),
         join({conj_pair(-0.03702367, 0.03702438),
               conj_pair(-118.6336, 423.0651),
               {cdouble(-251.3274, 0)}})},
    };
    for (const auto& c : cases) {
        for (float w : {0.05f, 0.7f, 6.0f, 31.0f}) {
            cfloat v;
            c.routine(v, w);
            const cdouble expected = pole_zero(w, c.gain, c.zeros, c.poles);
            EXPECT_NEAR(std::abs(cdouble(v) - expected) / std::abs(expected), 0.0, 5e-6)
                << c.name << " at w=" << w;
        }
    }
}

tw::InstrumentResponse velocity_sensor() {
    tw::InstrumentResponse r;
    r.unit_code = 1;
    r.gs = 3.5e9f;
    r.np = 3;
    r.nz = 2;
    r.poles[0] = {-4.44f, 4.44f};
    r.poles[1] = {-4.44f, -4.44f};
    r.poles[2] = {-150.0f, 0.0f};
    r.poles[3] = {0.0f, 0.0f};
    r.poles[4] = {0.0f, 0.0f};
    return r;
}

TEST(Response, StoredValueIsTheGainedPoleZeroProduct) {
    const auto r = velocity_sensor();
    cfloat v;
    float w = 12.0f;
    tw::response(r, v, w, tw::kAsStored);
    const cdouble expected =
        pole_zero(12.0, 3.5e9, at_origin(2),
                  {cdouble(-4.44, 4.44), cdouble(-4.44, -4.44), cdouble(-150.0, 0.0)});
    EXPECT_NEAR(std::abs(cdouble(v) - expected) / std::abs(expected), 0.0, 2e-6);
    EXPECT_EQ(w, 12.0f);
}

TEST(Response, ConvertsVelocityResponseToEachQuantity) {
    const auto r = velocity_sensor();
    const float w0 = 3.0f;
    const cdouble iw(0.0, w0);
    cfloat stored;
    float w = w0;
    tw::response(r, stored, w, tw::kAsStored);
    const struct {
        int itype;
        cdouble factor;
    } cases[] = {{tw::kDisplacement, iw}, {tw::kVelocity, 1.0}, {tw::kAcceleration, 1.0 / iw}};
    for (const auto& c : cases) {
        cfloat v;
        w = w0;
        tw::response(r, v, w, c.itype);
        const cdouble expected = cdouble(stored) * c.factor;
        EXPECT_NEAR(std::abs(cdouble(v) - expected) / std::abs(expected), 0.0, 1e-6) << c.itype;
    }

    auto displacement_sensor = r;
    displacement_sensor.unit_code = 0;
    cfloat v;
    w = w0;
    tw::response(displacement_sensor, v, w, tw::kAcceleration);
    const cdouble expected = cdouble(stored) / (iw * iw);
    EXPECT_NEAR(std::abs(cdouble(v) - expected) / std::abs(expected), 0.0, 1e-6);
}

TEST(Response, ZeroFrequencyIsRaisedOnlyWhenAConversionIsNeeded) {
    const auto r = velocity_sensor();
    cfloat v;
    float w = 0.0f;
    tw::response(r, v, w, tw::kDisplacement);
    EXPECT_EQ(w, 1.0e-4f);
    cfloat at_floor;
    float floor = 1.0e-4f;
    tw::response(r, at_floor, floor, tw::kDisplacement);
    EXPECT_EQ(v, at_floor);

    for (int itype : {tw::kVelocity, tw::kAsStored}) {
        w = 0.0f;
        tw::response(r, v, w, itype);
        EXPECT_EQ(w, 0.0f) << itype;
        EXPECT_EQ(std::abs(v), 0.0f) << "two zeros at the origin";
    }
}

TEST(Response, SurplusZerosMultiplyAfterThePairedQuotients) {
    tw::InstrumentResponse r;
    r.unit_code = 2;
    r.gs = 2.0f;
    r.np = 1;
    r.nz = 3;
    r.poles[0] = {-1.0f, 0.0f};
    r.poles[1] = {-2.0f, 0.0f};
    r.poles[2] = {-3.0f, 1.0f};
    r.poles[3] = {-3.0f, -1.0f};
    cfloat v;
    float w = 0.5f;
    tw::response(r, v, w, tw::kAcceleration);
    const cdouble expected =
        pole_zero(0.5, 2.0, {cdouble(-2, 0), cdouble(-3, 1), cdouble(-3, -1)}, {cdouble(-1, 0)});
    EXPECT_NEAR(std::abs(cdouble(v) - expected) / std::abs(expected), 0.0, 1e-6);
}

TEST(Response, UnknownUnitIsNotConvertedAndOversizedCountsStayInTheRecord) {
    auto r = velocity_sensor();
    cfloat stored, v;
    float w = 2.0f;
    tw::response(r, stored, w, tw::kAsStored);
    r.unit_code = 999;
    tw::response(r, v, w, tw::kDisplacement);
    EXPECT_EQ(v, stored);

    tw::InstrumentResponse big;
    big.unit_code = 1;
    big.gs = 1.0f;
    big.np = 60;
    big.nz = 60; // more than the record holds: only the 60 poles are used
    for (auto& p : big.poles)
        p = {-1.0f, 0.0f};
    w = 1.0f;
    tw::response(big, v, w, tw::kVelocity);
    EXPECT_NEAR(std::abs(v), std::pow(2.0f, -30.0f), 1e-12f);
}

} // namespace

namespace {

TEST(ResponseLines, GiveTheSingleLineValuesBitForBit) {
    const float dw = 0.0383495f;
    for (int itype : {tw::kAsStored, tw::kDisplacement, tw::kVelocity, tw::kAcceleration}) {
        std::vector<cfloat> lines(700);
        tw::response_lines(velocity_sensor(), itype, dw, 0, lines);
        for (int i = 0; i < 700; ++i) {
            float w = static_cast<float>(i) * dw;
            cfloat v;
            tw::response(velocity_sensor(), v, w, itype);
            ASSERT_EQ(lines[i], v) << "itype " << itype << " line " << i;
        }
    }
}

TEST(StandardLines, GiveTheRoutineValuesBitForBit) {
    void (*const routines[])(cfloat&, float) = {tw::ben100, nullptr,  tw::wood, tw::ulp,
                                                tw::wwsp,   tw::wwlp, tw::hglp, tw::sts1,
                                                tw::ben14,  tw::asro, tw::sts2};
    const float dw = 0.0767f;
    for (int option = 1; option <= 11; ++option) {
        EXPECT_EQ(tw::has_standard_instrument(option), option != 2);
        if (option == 2) continue;
        std::vector<cfloat> lines(300);
        tw::standard_lines(option, dw, 5, lines);
        for (int i = 0; i < 300; ++i) {
            cfloat v;
            routines[option - 1](v, static_cast<float>(5 + i) * dw);
            ASSERT_EQ(lines[i], v) << "option " << option << " line " << i;
        }
    }
    EXPECT_FALSE(tw::has_standard_instrument(0));
    EXPECT_FALSE(tw::has_standard_instrument(12));
}

} // namespace

namespace {

// One line of the response, one operation at a time in the documented order: the gain, the
// quotients (s - zero) / (s - pole) of the paired entries, the surplus poles dividing or zeros
// multiplying, then the conversion power of s.
cfloat one_line_at_a_time(const tw::InstrumentResponse& instr, int itype, float w) {
    const bool known_unit = instr.unit_code >= 0 && instr.unit_code <= 2;
    const int np = std::clamp(instr.np, 0, tw::kMaxPolesZeros);
    const int nz = std::clamp(instr.nz, 0, tw::kMaxPolesZeros - np);
    const int k = (itype == tw::kAsStored || !known_unit) ? 0 : instr.unit_code - itype + 1;
    if (w == 0.0f && k != 0) w = 1.0e-4f;
    const cfloat s{0.0f, w};
    const auto pole = [&](int j) { return instr.poles[static_cast<std::size_t>(j)]; };
    const auto zero = [&](int j) { return instr.poles[static_cast<std::size_t>(np + j)]; };
    cfloat r{instr.norm * instr.gs, 0.0f};
    const int paired = std::min(np, nz);
    for (int j = 0; j < paired; ++j)
        r = tw::cmul(r, tw::cdiv(s - zero(j), s - pole(j)));
    for (int j = paired; j < np; ++j)
        r = tw::cdiv(r, s - pole(j));
    for (int j = paired; j < nz; ++j)
        r = tw::cmul(r, s - zero(j));
    if (k != 0) r = tw::cmul(r, tw::cpow(s, k));
    return r;
}

bool same_value(cfloat a, cfloat b) {
    const auto same = [](float x, float y) {
        return (std::isnan(x) && std::isnan(y)) || std::memcmp(&x, &y, sizeof x) == 0;
    };
    return same(a.real(), b.real()) && same(a.imag(), b.imag());
}

// Responses of every shape: more poles than zeros and the reverse, none of either, poles far
// below and above the band, poles on the axis, a pole at the origin, units that convert and one
// that does not.
std::vector<tw::InstrumentResponse> assorted_responses() {
    std::vector<tw::InstrumentResponse> out;
    uint32_t state = 12345;
    const auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / static_cast<float>(1u << 24);
    };
    const int counts[][2] = {{0, 0}, {4, 2}, {2, 4}, {3, 3}, {7, 3},
                             {1, 0}, {0, 2}, {9, 8}, {5, 1}};
    const int units[] = {0, 1, 2, 999};
    for (std::size_t c = 0; c < std::size(counts); ++c) {
        tw::InstrumentResponse r;
        r.np = counts[c][0];
        r.nz = counts[c][1];
        r.unit_code = units[c % 4];
        r.gs = 1.0e3f + 1.0e9f * next();
        r.norm = 0.5f + next();
        for (int j = 0; j < r.np + r.nz; ++j) {
            // Magnitudes from 1e-3 to 1e4 rad/s; a third of the entries on the real axis.
            const float mag = std::pow(10.0f, -3.0f + 7.0f * next());
            const float angle = 1.5f * next();
            const bool real_axis = next() < 0.33f;
            r.poles[static_cast<std::size_t>(j)] = {-mag * std::cos(angle),
                                                    real_axis ? 0.0f : mag * std::sin(angle)};
        }
        out.push_back(r);
    }
    tw::InstrumentResponse origin; // a pole at the origin and a zero on the first line
    origin.unit_code = 1;
    origin.gs = 2.0e8f;
    origin.np = 3;
    origin.nz = 1;
    origin.poles[0] = {0.0f, 0.0f};
    origin.poles[1] = {-0.1f, 0.2f};
    origin.poles[2] = {-0.1f, -0.2f};
    origin.poles[3] = {0.0f, 0.05f};
    out.push_back(origin);
    return out;
}

TEST(ResponseLines, MatchTheResponseEvaluatedOneLineAtATimeBitForBit) {
    // 1000 lines: three whole blocks and a part, starting at line 0 (the 1.0e-4 rule) or 1.
    for (const auto& instr : assorted_responses()) {
        for (int itype : {tw::kAsStored, tw::kDisplacement, tw::kVelocity, tw::kAcceleration}) {
            for (int first : {0, 1}) {
                for (float dw : {0.0019175f, 0.05f, 3.0f, 5.0e-5f, -0.05f}) {
                    std::vector<cfloat> lines(1000);
                    tw::response_lines(instr, itype, dw, first, lines);
                    for (int i = 0; i < 1000; ++i) {
                        const float w = static_cast<float>(first + i) * dw;
                        const cfloat expected = one_line_at_a_time(instr, itype, w);
                        ASSERT_TRUE(same_value(lines[static_cast<std::size_t>(i)], expected))
                            << "np " << instr.np << " nz " << instr.nz << " unit "
                            << instr.unit_code << " itype " << itype << " dw " << dw << " line "
                            << first + i << ": " << lines[static_cast<std::size_t>(i)]
                            << " != " << expected;
                        cfloat single;
                        float wi = w;
                        tw::response(instr, single, wi, itype);
                        ASSERT_TRUE(same_value(single, expected)) << "line " << first + i;
                    }
                }
            }
        }
    }
}

} // namespace

namespace {

// The correction evaluates a record's pole-zero product once and converts it to displacement,
// velocity or acceleration by the power of s alone: every converted line must be the one the
// direct evaluation gives, to the bit, also where the frequency is 0 (raised to 1.0e-4, which
// changes the product) or not finite.
TEST(ResponseLinesFromProduct, GiveTheDirectValuesBitForBit) {
    const float inf = std::numeric_limits<float>::infinity();
    for (const auto& instr : assorted_responses()) {
        for (int itype : {tw::kAsStored, tw::kDisplacement, tw::kVelocity, tw::kAcceleration}) {
            EXPECT_EQ(
                tw::conversion_power(instr, itype),
                itype == tw::kAsStored || instr.unit_code == 999 ? 0 : instr.unit_code - itype + 1);
            for (int first : {0, 1, 300}) {
                for (float dw : {0.0019175f, 0.05f, 3.0f, -0.05f, 0.0f, 1.0e-45f, inf}) {
                    std::vector<cfloat> product(1000), direct(1000), derived(1000);
                    tw::response_lines(instr, tw::kAsStored, dw, first, product);
                    tw::response_lines(instr, itype, dw, first, direct);
                    tw::response_lines_from_product(instr, itype, dw, first, product, derived);
                    // Formed together with the product, in one pass.
                    std::vector<cfloat> together(1000), product_too(1000);
                    tw::response_lines_with_product(instr, itype, dw, first, product_too, together);
                    ASSERT_EQ(std::memcmp(product_too.data(), product.data(),
                                          product.size() * sizeof(cfloat)),
                              0);
                    for (std::size_t i = 0; i < direct.size(); ++i) {
                        ASSERT_EQ(std::memcmp(&derived[i], &direct[i], sizeof(cfloat)), 0)
                            << "np " << instr.np << " nz " << instr.nz << " unit "
                            << instr.unit_code << " itype " << itype << " dw " << dw << " line "
                            << first + static_cast<int>(i) << ": " << derived[i]
                            << " != " << direct[i];
                        ASSERT_EQ(std::memcmp(&together[i], &direct[i], sizeof(cfloat)), 0)
                            << "formed together: itype " << itype << " dw " << dw << " line "
                            << first + static_cast<int>(i);
                    }
                }
            }
        }
    }
}

} // namespace
