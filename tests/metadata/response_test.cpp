#include "metadata/response.hpp"

#include <complex>

#include "both_scans.hpp"
#include "fixture_files.hpp"
#include "text/format.hpp"

namespace tw {
namespace {

using testing::at;
using testing::TempDir;
using testing::trace;
using cplx = std::complex<float>;

struct RespEntry {
    std::string station = "STAT", label = " HHZ", channel = "HHZ";
    int by = 2000, bd = 1, bh = 0, bm = 0;
    int ey = 2599, ed = 366, eh = 0, em = 0;
    double azi = 90.0, dip = 0.0;
    std::string unit = "(DU/MS-1)";
    std::string gs = "1.5E+03";
    std::vector<cplx> zeros, poles;
};

std::vector<std::string> lines(const RespEntry& e) {
    std::vector<std::string> out;
    FixedLine h;
    h.a(e.station, 4)
        .a(e.label, 4)
        .blanks(1)
        .i(e.by, 4)
        .blanks(1)
        .i(e.bd, 3)
        .blanks(1)
        .i(e.bh, 2)
        .i(e.bm, 2)
        .blanks(2)
        .i(e.ey, 4)
        .blanks(1)
        .i(e.ed, 3)
        .blanks(1)
        .i(e.eh, 2)
        .i(e.em, 2)
        .f(e.azi, 8, 2)
        .f(e.dip, 8, 2)
        .blanks(1)
        .text(e.unit)
        .blanks(1)
        .a("XX", 4)
        .blanks(1)
        .a(e.channel, 3);
    out.push_back(h.str());
    out.push_back(e.gs + " " + std::to_string(e.zeros.size()) + " " +
                  std::to_string(e.poles.size()));
    for (const auto& z : e.zeros)
        out.push_back(FixedLine().blanks(1).e(z.real(), 14, 6).e(z.imag(), 14, 6).str());
    for (std::size_t i = 0; i < e.poles.size(); i += 2) {
        FixedLine l;
        l.e(e.poles[i].real(), 14, 6).e(e.poles[i].imag(), 14, 6);
        if (i + 1 < e.poles.size())
            l.e(e.poles[i + 1].real(), 14, 6).e(e.poles[i + 1].imag(), 14, 6);
        out.push_back(l.str());
    }
    return out;
}

std::vector<std::string> file_of(std::initializer_list<RespEntry> entries) {
    std::vector<std::string> out;
    for (const auto& e : entries)
        for (auto& l : lines(e))
            out.push_back(l);
    return out;
}

struct Lookup {
    TraceHeader head;
    InstrumentResponse instr;
    int ierr = -1;
};

Lookup lookup(const std::string& path, TraceHeader head) {
    Lookup r{head, {}, -1};
    r.instr.unit_code = 5; // must be reset by every lookup
    r.instr.np = 9;
    fetch_response(path, r.head, r.instr, r.ierr);
    // The same lookup from the entries a run keeps, after a lookup of another channel.
    auto run = testing::run_metadata(path);
    Lookup other{head, {}, -1}, kept{head, {}, -1};
    other.head.chan = "ZZZ";
    run.fetch_response(other.head, other.instr, other.ierr);
    kept.instr.unit_code = 5;
    kept.instr.np = 9;
    run.fetch_response(kept.head, kept.instr, kept.ierr);
    EXPECT_EQ(kept.ierr, r.ierr);
    testing::expect_same_response(kept.instr, r.instr);
    testing::expect_same_header(kept.head, r.head);
    return r;
}

const int_time kTrace = at(2009, 236, 0, 20, 3);

TEST(FetchResponse, EntriesAreSkippedExactlyByTheirLineCount) {
    TempDir dir;
    RespEntry three_two; // 2 + 2 + 2 lines
    three_two.channel = "HHN";
    three_two.zeros = {{1, 2}, {3, 4}};
    three_two.poles = {{-1, 1}, {-1, -1}, {-5, 0}};
    RespEntry empty; // 2 lines
    empty.channel = "HHE";
    RespEntry wanted;
    wanted.gs = "2.5";
    wanted.zeros = {{0.5f, -0.25f}};
    wanted.poles = {{-0.037004f, 0.037016f}, {-0.037004f, -0.037016f}, {-251.33f, 0}};
    const auto path = dir.write("resp", file_of({three_two, empty, wanted}));

    const auto r = lookup(path, trace("STAT", "HHZ", kTrace));
    ASSERT_EQ(r.ierr, 0);
    EXPECT_EQ(r.instr.np, 3);
    EXPECT_EQ(r.instr.nz, 1);
    EXPECT_FLOAT_EQ(r.instr.gs, 2.5f);
    EXPECT_EQ(r.instr.unit_code, 1);
    EXPECT_EQ(r.instr.norm, 1.0f);
    // Poles first, then zeros; the odd last pole comes from the first two fields of its line.
    EXPECT_EQ(r.instr.poles[0], cplx(-0.037004f, 0.037016f));
    EXPECT_EQ(r.instr.poles[1], cplx(-0.037004f, -0.037016f));
    EXPECT_EQ(r.instr.poles[2], cplx(-251.33f, 0.0f));
    EXPECT_EQ(r.instr.poles[3], cplx(0.5f, -0.25f));
    EXPECT_EQ(r.head.np, 3);
    EXPECT_EQ(r.head.nz, 1);
    EXPECT_FLOAT_EQ(r.head.gs, 2.5f);
    EXPECT_FLOAT_EQ(r.head.azi, 90.0f);
    EXPECT_FLOAT_EQ(r.head.dip, 0.0f);
    EXPECT_EQ(r.head.unit_code, 1);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(r.head.poles[i], r.instr.poles[i]);

    // The three-pole entry and the empty one are found as well.
    const auto n = lookup(path, trace("STAT", "HHN", kTrace));
    ASSERT_EQ(n.ierr, 0);
    EXPECT_EQ(n.instr.poles[2], cplx(-5.0f, 0.0f));
    EXPECT_EQ(n.instr.poles[3], cplx(1.0f, 2.0f));
    EXPECT_EQ(n.instr.poles[4], cplx(3.0f, 4.0f));
    const auto e = lookup(path, trace("STAT", "HHE", kTrace));
    ASSERT_EQ(e.ierr, 0);
    EXPECT_EQ(e.instr.np, 0);
    EXPECT_EQ(e.instr.nz, 0);
    EXPECT_FLOAT_EQ(e.instr.gs, 1500.0f);
}

TEST(FetchResponse, AdjacentPeriodsFirstEntryWinsAtTheBoundary) {
    TempDir dir;
    RespEntry early, late;
    early.ey = 2009;
    early.ed = 236;
    early.eh = 0;
    early.em = 20;
    early.gs = "1.0";
    late.by = 2009;
    late.bd = 236;
    late.bh = 0;
    late.bm = 20;
    late.gs = "2.0";
    const auto boundary = trace("STAT", "HHZ", at(2009, 236, 0, 20));
    EXPECT_FLOAT_EQ(lookup(dir.write("a", file_of({early, late})), boundary).instr.gs, 1.0f);
    EXPECT_FLOAT_EQ(lookup(dir.write("b", file_of({late, early})), boundary).instr.gs, 2.0f);
    EXPECT_FLOAT_EQ(
        lookup(dir.write("c", file_of({early, late})), trace("STAT", "HHZ", kTrace)).instr.gs,
        2.0f);
}

TEST(FetchResponse, OnlyTheSeedChannelColumnsTakePartInTheMatch) {
    TempDir dir;
    RespEntry misleading, wanted;
    misleading.label = " HHZ";
    misleading.channel = "HHN";
    misleading.gs = "1.0";
    wanted.label = "XXXX";
    wanted.station = "ABC_";
    wanted.gs = "2.0";
    misleading.station = "ABC_";
    const auto r =
        lookup(dir.write("resp", file_of({misleading, wanted})), trace("ABC", "HHZ", kTrace));
    EXPECT_EQ(r.ierr, 0);
    EXPECT_FLOAT_EQ(r.instr.gs, 2.0f);
}

TEST(FetchResponse, InvalidDayOfYearBeforeTheMatchGives997Or998) {
    TempDir dir;
    RespEntry bad_begin, bad_end, wanted;
    bad_begin.channel = "XXX";
    bad_begin.by = 2009;
    bad_begin.bd = 0;
    bad_begin.poles = {{1, 1}, {2, 2}, {3, 3}};
    bad_end.channel = "YYY";
    bad_end.ey = 2010;
    bad_end.ed = 400;
    const auto head = trace("STAT", "HHZ", kTrace);
    const auto r = lookup(dir.write("a", file_of({bad_begin, wanted})), head);
    EXPECT_EQ(r.ierr, 997);
    EXPECT_FLOAT_EQ(r.head.gs, 1500.0f);
    EXPECT_EQ(lookup(dir.write("b", file_of({bad_begin, bad_end, wanted})), head).ierr, 998);
}

TEST(FetchResponse, YearOutsideThePlausibleRangeGives997Or998) {
    TempDir dir;
    RespEntry early, late, blank, wanted;
    early.channel = "XXX";
    early.by = 1899;
    late.channel = "YYY";
    late.ey = 2600;
    late.ed = 1;
    blank.channel = "ZZZ";
    blank.by = 0; // a blank year reads as 0
    const auto head = trace("STAT", "HHZ", kTrace);
    EXPECT_EQ(lookup(dir.write("a", file_of({early, wanted})), head).ierr, 997);
    EXPECT_EQ(lookup(dir.write("b", file_of({late, wanted})), head).ierr, 998);
    EXPECT_EQ(lookup(dir.write("c", file_of({blank, wanted})), head).ierr, 997);
    EXPECT_EQ(lookup(dir.write("d", file_of({wanted})), head).ierr, 0);
    // The limits of the range are dates like any other.
    wanted.by = 1900;
    EXPECT_EQ(lookup(dir.write("e", file_of({wanted})), head).ierr, 0);
}

TEST(FetchResponse, FailureResetsInstrAndLeavesHeadAlone) {
    TempDir dir;
    RespEntry e;
    e.poles = {{-1, 0}};
    const auto path = dir.write("resp", file_of({e}));
    auto head = trace("STAT", "HHZ", at(1999, 1, 0, 0));
    head.gs = 7.0f;
    head.np = 4;
    head.azi = 33.0f;
    const auto r = lookup(path, head);
    EXPECT_EQ(r.ierr, 999);
    EXPECT_EQ(r.instr.unit_code, 999);
    EXPECT_EQ(r.instr.np, 0);
    EXPECT_EQ(r.instr.gs, 0.0f);
    EXPECT_EQ(r.head.gs, 7.0f);
    EXPECT_EQ(r.head.np, 4);
    EXPECT_EQ(r.head.azi, 33.0f);
}

TEST(FetchResponse, UnknownUnitAndTooManyPolesAreRefused) {
    TempDir dir;
    const auto head = trace("STAT", "HHZ", kTrace);
    RespEntry unknown;
    unknown.unit = "(DU/MS-3)";
    EXPECT_EQ(lookup(dir.write("a", file_of({unknown})), head).ierr, 999);

    RespEntry big;
    big.poles.assign(41, cplx(-1, 0));
    big.zeros.assign(20, cplx(0, 0));
    EXPECT_EQ(lookup(dir.write("b", file_of({big})), head).ierr, 999);
    // Sixty fit; an oversized entry of another channel is merely skipped.
    RespEntry full = big;
    full.poles.pop_back();
    const auto r = lookup(dir.write("c", file_of({full})), head);
    EXPECT_EQ(r.ierr, 0);
    EXPECT_EQ(r.head.np + r.head.nz, 60);
    big.channel = "HHN";
    EXPECT_EQ(lookup(dir.write("d", file_of({big, full})), head).ierr, 0);
}

TEST(FetchResponse, MalformedCountZeroOrPoleLinesFailWith999) {
    TempDir dir;
    const auto head = trace("STAT", "HHZ", kTrace);
    RespEntry other, wanted;
    other.channel = "HHN";
    wanted.zeros = {{0, 0}};
    wanted.poles = {{-1, 1}, {-1, -1}};
    const auto good = file_of({other, wanted});
    ASSERT_EQ(lookup(dir.write("good", good), head).ierr, 0);

    const auto fails = [&](const std::string& name, std::size_t line, const std::string& text) {
        auto bad = good;
        bad[line] = text;
        return lookup(dir.write(name, bad), head).ierr == 999;
    };
    EXPECT_TRUE(fails("count_letters", 1, "abc 0 0")); // skipped entry, count line unusable
    EXPECT_TRUE(fails("count_short", 1, "1.5E+03 0"));
    EXPECT_TRUE(fails("count_real", 1, "1.5E+03 0.5 0"));
    EXPECT_TRUE(fails("count_negative", 1, "1.5E+03 -1 0"));
    EXPECT_TRUE(fails("count_empty_field", 1, "1.5E+03,,0"));
    EXPECT_TRUE(fails("header", 0, good[0].substr(0, 9) + "2o09"));
    EXPECT_TRUE(fails("zero", 4, "   0.00000E+00  x.000000E+00"));
    EXPECT_TRUE(fails("pole", 5, " -1.000000E+00  1.000000E+00 -1.0000$0E+00"));

    // An over-long header or count line ends the scan; an over-long zero or pole line fails
    // the matching entry and is merely counted in a skipped one.
    const std::string blanks(LineReader::kMaxLineLength, ' ');
    EXPECT_TRUE(fails("header_overlong", 0, good[0] + blanks));
    EXPECT_TRUE(fails("count_overlong", 1, good[1] + blanks));
    EXPECT_TRUE(fails("zero_overlong", 4, good[4] + blanks));
    EXPECT_TRUE(fails("pole_overlong", 5, good[5] + blanks));
    RespEntry other_with_zero = other;
    other_with_zero.zeros = {{1, 1}};
    auto skipped_overlong = file_of({other_with_zero, wanted});
    skipped_overlong[2] = "x" + blanks + "1 1";
    EXPECT_EQ(lookup(dir.write("skipped_overlong", skipped_overlong), head).ierr, 0);

    // Commas separate the counts as blanks do.
    auto commas = good;
    commas[3] = "2.0E+00, 1 ,2";
    EXPECT_EQ(lookup(dir.write("commas", commas), head).ierr, 0);

    // The file ends inside the matching entry or inside a skipped one.
    auto cut = good;
    cut.pop_back();
    EXPECT_EQ(lookup(dir.write("cut", cut), head).ierr, 999);
    auto cut_skipped = file_of({other});
    cut_skipped[1] = "1.0 0 3";
    EXPECT_EQ(lookup(dir.write("cut_skipped", cut_skipped), head).ierr, 999);
    EXPECT_EQ(lookup(dir.file("absent"), head).ierr, 1000);
}

TEST(FetchResponse, RealResponseFile) {
    const auto path = testing::rjob_file("rjob.resp");
    for (const char* chan : {"EHZ", "EHN", "EHE"}) {
        const auto r = lookup(path, trace("RJOB", chan, kTrace));
        ASSERT_EQ(r.ierr, 0) << chan;
        EXPECT_FLOAT_EQ(r.instr.gs, 1.5120029e17f);
        EXPECT_EQ(r.instr.np, 5);
        EXPECT_EQ(r.instr.nz, 2);
        EXPECT_EQ(r.instr.unit_code, 1);
        EXPECT_EQ(r.instr.poles[0], cplx(-0.037004f, 0.037016f));
        EXPECT_EQ(r.instr.poles[1], cplx(-0.037004f, -0.037016f));
        EXPECT_EQ(r.instr.poles[2], cplx(-251.33f, 0.0f));
        EXPECT_EQ(r.instr.poles[3], cplx(-131.04f, -467.29f));
        EXPECT_EQ(r.instr.poles[4], cplx(-131.04f, 467.29f));
        EXPECT_EQ(r.instr.poles[5], cplx(0.0f, 0.0f));
        EXPECT_EQ(r.instr.poles[6], cplx(0.0f, 0.0f));
    }
    const auto z = lookup(path, trace("RJOB", "EHZ", kTrace));
    EXPECT_FLOAT_EQ(z.head.dip, -90.0f);
    EXPECT_FLOAT_EQ(z.head.azi, 0.0f);
    EXPECT_FLOAT_EQ(lookup(path, trace("RJOB", "EHE", kTrace)).head.azi, 90.0f);
}

} // namespace
} // namespace tw
