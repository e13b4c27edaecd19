#include "metadata/sensitivity.hpp"

#include "both_scans.hpp"
#include "fixture_files.hpp"
#include "text/format.hpp"

namespace tw {
namespace {

using testing::at;
using testing::TempDir;
using testing::trace;

struct SensEntry {
    std::string station = "STAT", channel = "HHZ";
    int by = 2000, bd = 1, bh = 0, bm = 0;
    int ey = 2599, ed = 366, eh = 0, em = 0;
    std::string unit = "(DU/MS-1)";
    std::string lc = "0.0083", hc = "40.0", sens = "1.5E+03";
};

// The two lines of an entry in their columns.
std::vector<std::string> lines(const SensEntry& e) {
    FixedLine first;
    first.a(e.station, 4)
        .blanks(1)
        .a(e.channel, 3)
        .blanks(1)
        .i(e.by, 4)
        .blanks(1)
        .i(e.bd, 3)
        .blanks(1)
        .i(e.bh, 2)
        .i(e.bm, 2)
        .blanks(1)
        .i(e.ey, 4)
        .blanks(1)
        .i(e.ed, 3)
        .blanks(1)
        .i(e.eh, 2)
        .i(e.em, 2)
        .blanks(1)
        .a("0.", 4)
        .blanks(1)
        .a("-90.", 4)
        .blanks(1)
        .text(e.unit)
        .blanks(1)
        .a("XX", 4);
    FixedLine second;
    second.blanks(5).a(e.lc, 8).blanks(3).a(e.hc, 10).blanks(3).a(e.sens, 12);
    return {first.str(), second.str()};
}

std::vector<std::string> file_of(std::initializer_list<SensEntry> entries) {
    std::vector<std::string> out;
    for (const auto& e : entries)
        for (auto& l : lines(e))
            out.push_back(l);
    return out;
}

struct Lookup {
    TraceHeader head;
    Sensitivity sens;
    int ierr = -1;
};

Lookup lookup(const std::string& path, TraceHeader head) {
    Lookup r{head, {}, -1};
    r.sens.unit_code = 5; // must be reset by every lookup
    r.sens.fp_sens = 5.0f;
    fetch_sens(path, r.head, r.sens, r.ierr);
    // The same lookup from the entries a run keeps, after a lookup of another channel.
    auto run = testing::run_metadata(path);
    Lookup other{head, {}, -1}, kept{head, {}, -1};
    other.head.chan = "ZZZ";
    run.fetch_sens(other.head, other.sens, other.ierr);
    kept.sens.unit_code = 5;
    kept.sens.fp_sens = 5.0f;
    run.fetch_sens(kept.head, kept.sens, kept.ierr);
    EXPECT_EQ(kept.ierr, r.ierr);
    testing::expect_same_sensitivity(kept.sens, r.sens);
    testing::expect_same_header(kept.head, r.head);
    return r;
}

TEST(FetchSens, SensitivityWithExponentTakenAsWrittenWithoutDividedByTen) {
    TempDir dir;
    SensEntry with_exponent, without;
    without.channel = "HHN";
    without.sens = "1500.0";
    const auto path = dir.write("sens", file_of({with_exponent, without}));

    const auto z = lookup(path, trace("STAT", "HHZ", at(2009, 236, 0, 20)));
    EXPECT_EQ(z.ierr, 0);
    EXPECT_FLOAT_EQ(z.sens.fp_sens, 1500.0f);
    EXPECT_FLOAT_EQ(z.sens.fp_lc, 0.0083f);
    EXPECT_FLOAT_EQ(z.sens.fp_hc, 40.0f);
    EXPECT_EQ(z.sens.unit_code, 1);
    EXPECT_FLOAT_EQ(z.head.fp_sens, 1500.0f);
    EXPECT_FLOAT_EQ(z.head.fp_lc, 0.0083f);
    EXPECT_FLOAT_EQ(z.head.fp_hc, 40.0f);
    EXPECT_EQ(z.head.unit_code, 1);

    const auto n = lookup(path, trace("STAT", "HHN", at(2009, 236, 0, 20)));
    EXPECT_EQ(n.ierr, 0);
    EXPECT_FLOAT_EQ(n.sens.fp_sens, 150.0f);
}

TEST(FetchSens, CornerFrequenciesCarrySixImpliedDecimals) {
    TempDir dir;
    SensEntry e;
    e.lc = "8330";
    e.hc = "40000412";
    e.sens = "251680E+04"; // 5 implied decimals in front of the exponent
    const auto r = lookup(dir.write("sens", file_of({e})), trace("STAT", "HHZ", at(2010, 1, 0, 0)));
    EXPECT_EQ(r.ierr, 0);
    EXPECT_FLOAT_EQ(r.sens.fp_lc, 0.00833f);
    EXPECT_FLOAT_EQ(r.sens.fp_hc, 40.000412f);
    EXPECT_FLOAT_EQ(r.sens.fp_sens, 25168.0f);
}

TEST(FetchSens, ThreeLetterStationUnitCodesAndKeys) {
    TempDir dir;
    SensEntry disp, acc, other;
    disp.station = "ABC_";
    disp.unit = "(DU/M)   ";
    acc.station = "ABC_";
    acc.channel = "HNZ";
    acc.unit = "(DU/MS-2)";
    other.station = "ABC_";
    other.channel = "LHZ";
    other.unit = "(COUNTS) ";
    const auto path = dir.write("sens", file_of({disp, acc, other}));
    const auto t = at(2005, 100, 12, 0);
    EXPECT_EQ(lookup(path, trace("ABC", "HHZ", t)).sens.unit_code, 0);
    EXPECT_EQ(lookup(path, trace("ABC", "HNZ", t)).sens.unit_code, 2);
    // An unknown unit text is stored as 999 and the lookup still succeeds.
    const auto o = lookup(path, trace("ABC", "LHZ", t));
    EXPECT_EQ(o.ierr, 0);
    EXPECT_EQ(o.sens.unit_code, 999);
    // Only the first 4 characters of the station and 3 of the channel are keys.
    EXPECT_EQ(lookup(path, trace("ABC  X", "HHZX", t)).ierr, 0);
    EXPECT_EQ(lookup(path, trace("ABCD", "HHZ", t)).ierr, 999);
}

TEST(FetchSens, BothLimitsInclusiveAndOpenEndIsDay365) {
    TempDir dir;
    SensEntry e;
    e.bd = 32;
    e.bh = 6;
    e.bm = 30;
    const auto path = dir.write("sens", file_of({e}));
    const auto begin = at(2000, 32, 6, 30);
    EXPECT_EQ(lookup(path, trace("STAT", "HHZ", begin)).ierr, 0);
    int_time before;
    f_add_time(begin, 0, -1, before);
    EXPECT_EQ(lookup(path, trace("STAT", "HHZ", before)).ierr, 999);
    EXPECT_EQ(lookup(path, trace("STAT", "HHZ", at(2400, 60, 0, 0))).ierr, 0);
    // The open end 2599 day 366 is 31 December 2599 at the end hour and minute (00:00).
    EXPECT_EQ(lookup(path, trace("STAT", "HHZ", at(2599, 365, 0, 0))).ierr, 0);
    EXPECT_EQ(lookup(path, trace("STAT", "HHZ", at(2599, 365, 0, 0, 0, 1))).ierr, 999);

    SensEntry closed;
    closed.ey = 2004;
    closed.ed = 366;
    closed.eh = 23;
    closed.em = 59;
    const auto closed_path = dir.write("closed", file_of({closed}));
    EXPECT_EQ(lookup(closed_path, trace("STAT", "HHZ", at(2004, 366, 23, 59))).ierr, 0);
    EXPECT_EQ(lookup(closed_path, trace("STAT", "HHZ", at(2004, 366, 23, 59, 0, 1))).ierr, 999);
}

TEST(FetchSens, YearOutsideThePlausibleRangeTurnsTheMatchInto997Or998) {
    TempDir dir;
    SensEntry early, late, wanted;
    early.channel = "XXX";
    early.by = 1000;
    late.channel = "YYY";
    late.ey = 9999;
    late.ed = 1;
    const auto t = at(2009, 236, 0, 0);
    auto r = lookup(dir.write("a", file_of({early, wanted})), trace("STAT", "HHZ", t));
    EXPECT_EQ(r.ierr, 997);
    EXPECT_FLOAT_EQ(r.head.fp_sens, 1500.0f);
    EXPECT_EQ(lookup(dir.write("b", file_of({late, wanted})), trace("STAT", "HHZ", t)).ierr, 998);
    EXPECT_EQ(lookup(dir.write("c", file_of({wanted})), trace("STAT", "HHZ", t)).ierr, 0);
}

TEST(FetchSens, InvalidDayOfYearBeforeTheMatchTurnsItInto997Or998) {
    TempDir dir;
    SensEntry bad_begin, bad_end, wanted;
    bad_begin.channel = "XXX";
    bad_begin.by = 2001;
    bad_begin.bd = 366; // 2001 is no leap year
    bad_end.channel = "YYY";
    bad_end.ey = 1900;
    bad_end.ed = 366; // nor is 1900
    const auto t = at(2009, 236, 0, 0);

    auto r = lookup(dir.write("a", file_of({bad_begin, wanted})), trace("STAT", "HHZ", t));
    EXPECT_EQ(r.ierr, 997);
    EXPECT_FLOAT_EQ(r.head.fp_sens, 1500.0f); // the match is complete all the same
    EXPECT_EQ(lookup(dir.write("b", file_of({bad_end, wanted})), trace("STAT", "HHZ", t)).ierr,
              998);
    // The last invalid day read decides.
    EXPECT_EQ(
        lookup(dir.write("c", file_of({bad_end, bad_begin, wanted})), trace("STAT", "HHZ", t)).ierr,
        997);
    // An entry after the match is never read.
    EXPECT_EQ(lookup(dir.write("d", file_of({wanted, bad_begin})), trace("STAT", "HHZ", t)).ierr,
              0);
    // Without a match the lookup fails whatever came before.
    EXPECT_EQ(lookup(dir.write("e", file_of({bad_begin})), trace("STAT", "HHZ", t)).ierr, 999);
}

TEST(FetchSens, NotFoundResetsSensAndLeavesHeadAlone) {
    TempDir dir;
    const auto path = dir.write("sens", file_of({SensEntry{}}));
    auto head = trace("STAT", "HHE", at(2009, 1, 0, 0));
    head.fp_sens = 7.0f;
    head.unit_code = 2;
    const auto r = lookup(path, head);
    EXPECT_EQ(r.ierr, 999);
    EXPECT_EQ(r.sens.unit_code, 999);
    EXPECT_EQ(r.sens.fp_sens, 0.0f);
    EXPECT_EQ(r.head.fp_sens, 7.0f);
    EXPECT_EQ(r.head.unit_code, 2);
}

TEST(FetchSens, MalformedOrMissingLinesFailWith999) {
    TempDir dir;
    const auto t = at(2009, 236, 0, 0);
    const auto head = trace("STAT", "HHZ", t);
    SensEntry other;
    other.channel = "HHN";

    auto bad_first = file_of({other, SensEntry{}});
    bad_first[0].replace(9, 4, "20x0");
    EXPECT_EQ(lookup(dir.write("a", bad_first), head).ierr, 999);

    // A malformed second line fails the lookup even in an entry that would not match.
    auto bad_second = file_of({other, SensEntry{}});
    bad_second[1].replace(29, 12, "  1.5Q+03   ");
    EXPECT_EQ(lookup(dir.write("b", bad_second), head).ierr, 999);

    auto missing_second = file_of({SensEntry{}});
    missing_second.pop_back();
    EXPECT_EQ(lookup(dir.write("c", missing_second), head).ierr, 999);

    // Short lines read as blank-padded columns; a line of the full 1024 characters is read too.
    auto odd = file_of({SensEntry{}});
    odd[0] += std::string(1024 - odd[0].size(), 'z');
    odd[1] = odd[1].substr(0, 13);
    const auto r = lookup(dir.write("d", odd), head);
    EXPECT_EQ(r.ierr, 0);
    EXPECT_FLOAT_EQ(r.sens.fp_lc, 0.0083f);
    EXPECT_EQ(r.sens.fp_hc, 0.0f);
    EXPECT_EQ(r.sens.fp_sens, 0.0f);
    // One character more makes either line over-long, which is a malformed line.
    auto overlong_first = odd;
    overlong_first[0] += "z";
    EXPECT_EQ(lookup(dir.write("e", overlong_first), head).ierr, 999);
    auto overlong_second = file_of({SensEntry{}});
    overlong_second[1] += std::string(5000, ' ');
    EXPECT_EQ(lookup(dir.write("f", overlong_second), head).ierr, 999);

    EXPECT_EQ(lookup(dir.file("absent"), head).ierr, 1000);
}

TEST(FetchSens, RealSensitivityFile) {
    const auto path = testing::rjob_file("rjob.sens");
    for (const char* chan : {"EHZ", "EHN", "EHE"}) {
        const auto r = lookup(path, trace("RJOB", chan, at(2009, 236, 0, 20, 3)));
        EXPECT_EQ(r.ierr, 0) << chan;
        EXPECT_EQ(r.sens.unit_code, 1);
        EXPECT_FLOAT_EQ(r.sens.fp_sens, 2.5168e9f);
        EXPECT_FLOAT_EQ(r.sens.fp_lc, 0.00833f);
        EXPECT_FLOAT_EQ(r.sens.fp_hc, 40.000412f);
    }
    EXPECT_EQ(lookup(path, trace("RJOB", "EHZ", at(2007, 350, 23, 59))).ierr, 999);
    EXPECT_EQ(lookup(path, trace("RJOB", "HHZ", at(2009, 236, 0, 20))).ierr, 999);
}

} // namespace
} // namespace tw
