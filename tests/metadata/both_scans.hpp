#pragma once
// Every lookup of the metadata tests runs twice: once reading the file itself, once through the
// StationMetadata of a run, which reads the file at its first lookup and scans the kept entries
// from then on. A second lookup of another station or channel then comes from the same kept
// entries. Both ways must give the same results, to the bit.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

#include "metadata/station_metadata.hpp"
#include "records/records.hpp"

namespace tw::testing {

template <class T> bool same_bits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// The members of a trace header that the lookups fill.
inline void expect_same_header(const TraceHeader& a, const TraceHeader& b) {
    EXPECT_TRUE(same_bits(a.azi, b.azi) && same_bits(a.dip, b.dip) && same_bits(a.gs, b.gs));
    EXPECT_EQ(a.np, b.np);
    EXPECT_EQ(a.nz, b.nz);
    EXPECT_TRUE(same_bits(a.poles, b.poles));
    EXPECT_EQ(a.unit_code, b.unit_code);
    EXPECT_TRUE(same_bits(a.fp_sens, b.fp_sens) && same_bits(a.fp_lc, b.fp_lc) &&
                same_bits(a.fp_hc, b.fp_hc));
}

inline void expect_same_response(const InstrumentResponse& a, const InstrumentResponse& b) {
    EXPECT_EQ(a.unit_code, b.unit_code);
    EXPECT_TRUE(same_bits(a.norm, b.norm) && same_bits(a.gs, b.gs));
    EXPECT_EQ(a.np, b.np);
    EXPECT_EQ(a.nz, b.nz);
    EXPECT_TRUE(same_bits(a.poles, b.poles));
}

inline void expect_same_sensitivity(const Sensitivity& a, const Sensitivity& b) {
    EXPECT_EQ(a.unit_code, b.unit_code);
    EXPECT_TRUE(same_bits(a.fp_sens, b.fp_sens) && same_bits(a.fp_lc, b.fp_lc) &&
                same_bits(a.fp_hc, b.fp_hc));
}

inline void expect_same_pick(const PickRecord& a, const PickRecord& b) {
    EXPECT_EQ(a.stat, b.stat);
    EXPECT_EQ(a.chan, b.chan);
    EXPECT_EQ(a.pdate, b.pdate);
    EXPECT_EQ(a.pid, b.pid);
    EXPECT_EQ(a.num, b.num);
    EXPECT_EQ(a.qual, b.qual);
    EXPECT_EQ(a.fmotion, b.fmotion);
}

// A run's metadata with the one file under test in the role the test looks it up in.
inline StationMetadata run_metadata(const std::string& path) {
    return StationMetadata(path, path, path, path);
}

} // namespace tw::testing
