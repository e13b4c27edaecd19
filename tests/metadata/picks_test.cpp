#include "metadata/picks.hpp"
#include "text/messages.hpp"

#include "both_scans.hpp"
#include "fixture_files.hpp"

namespace tw {
namespace {

// What the code under test said.
MessageLog said;

using testing::at;
using testing::TempDir;
using testing::trace;

const std::vector<std::string> kHeader = {"phase picks", "stat chan num q phas wt fm amp date"};

std::vector<std::string> pick_file(std::initializer_list<std::string> picks) {
    std::vector<std::string> out = kHeader;
    out.insert(out.end(), picks);
    return out;
}

struct Lookup {
    std::array<PickRecord, kMaxPicks> picks{};
    int ipick = -1;
    int ierr = -1;
    std::string output;
};

Lookup lookup(const std::string& path, std::string_view station) {
    Lookup r;
    said.out.clear();
    fetch_pick(path, trace(station, "HHZ", {}), r.picks, r.ipick, r.ierr, said);
    r.output = said.out;
    // The same lookup from the lines a run keeps, after a lookup of another station.
    auto run = testing::run_metadata(path);
    Lookup other, kept;
    said.out.clear();
    run.fetch_pick(trace("?" + std::string(station), "HHZ", {}), other.picks, other.ipick,
                   other.ierr, said);
    said.out.clear();
    run.fetch_pick(trace(station, "HHZ", {}), kept.picks, kept.ipick, kept.ierr, said);
    EXPECT_EQ(said.out, r.output);
    EXPECT_EQ(kept.ierr, r.ierr);
    EXPECT_EQ(kept.ipick, r.ipick);
    for (int i = 0; i < r.ipick && i < kept.ipick; ++i)
        testing::expect_same_pick(kept.picks[static_cast<std::size_t>(i)],
                                  r.picks[static_cast<std::size_t>(i)]);
    return r;
}

TEST(FetchPick, RealPickFile) {
    const auto r = lookup(testing::rjob_file("rjob.pick"), "RJOB");
    ASSERT_EQ(r.ierr, 0);
    ASSERT_EQ(r.ipick, 1);
    const PickRecord& p = r.picks[0];
    EXPECT_EQ(p.stat.view(), "RJOB  ");
    EXPECT_EQ(p.chan.view(), "EHZ ");
    EXPECT_EQ(p.pid.view(), "P   ");
    EXPECT_EQ(p.num, 1);
    EXPECT_EQ(p.qual, 'I');
    EXPECT_EQ(p.fmotion, 'D');
    EXPECT_EQ(p.pdate, at(2009, 236, 0, 20, 7, 710000));
    EXPECT_TRUE(r.output.empty());
}

TEST(FetchPick, FractionOfSecondsToMicroseconds) {
    TempDir dir;
    const auto path = dir.write("pf", pick_file({"STAT HHZ 3.9 E Pn 0.0 U 0.0 1999 123 04:05:06.25",
                                                 "STAT HHN 4 E S 0.0 U 0.0 1999 123 04:05:07.71",
                                                 "STAT HHE 5 E S 0.0 U 0.0 1999 123 04 05 0.7"}));
    const auto r = lookup(path, "STAT");
    ASSERT_EQ(r.ipick, 3);
    ext_time et;
    f_int_to_ext(r.picks[0].pdate, et);
    EXPECT_EQ(et.year, 1999);
    EXPECT_EQ(et.doy, 123);
    EXPECT_EQ(et.hour, 4);
    EXPECT_EQ(et.minute, 5);
    EXPECT_EQ(et.second, 6);
    EXPECT_EQ(et.usec, 250000);
    EXPECT_EQ(r.picks[0].num, 3); // truncated
    EXPECT_EQ(r.picks[1].pdate, at(1999, 123, 4, 5, 7, 710000));
    // Single precision throughout: 0.7 gives 700000, not 699999.
    EXPECT_EQ(r.picks[2].pdate, at(1999, 123, 4, 5, 0, 700000));
}

TEST(FetchPick, StationTokenComparedOnFourCharacters) {
    TempDir dir;
    const auto path = dir.write("pf", pick_file({"ABCDE HHZ 1 I P 0 C 0 2001 10 1:2:3.5",
                                                 "ABC HHZ 2 I P 0 C 0 2001 10 1:2:3.5",
                                                 "ABCD,HHN,3,E,S,0,D,0,2001,10,1,2,4.0"}));
    const auto five = lookup(path, "ABCD");
    ASSERT_EQ(five.ipick, 2);
    EXPECT_EQ(five.picks[0].stat.view(), "ABCD  ");
    EXPECT_EQ(five.picks[0].num, 1);
    EXPECT_EQ(five.picks[1].num, 3); // file order; commas separate like blanks
    EXPECT_EQ(five.picks[1].pid.view(), "S   ");
    EXPECT_EQ(five.picks[1].pdate, at(2001, 10, 1, 2, 4));

    const auto three = lookup(path, "ABC");
    ASSERT_EQ(three.ipick, 1);
    EXPECT_EQ(three.picks[0].num, 2);
    EXPECT_EQ(three.picks[0].stat.view(), "ABC   ");
}

TEST(FetchPick, NoPickOfTheStationGives999) {
    TempDir dir;
    const auto only_header = lookup(dir.write("a", kHeader), "RJOB");
    EXPECT_EQ(only_header.ierr, 999);
    EXPECT_EQ(only_header.ipick, 0);
    // The first two lines are header lines even when they look like picks.
    const auto header_like =
        lookup(dir.write("b", {"RJOB EHZ 1 I P 0 D 0 2009 236 00:20:07.71",
                               "RJOB EHZ 1 I P 0 D 0 2009 236 00:20:07.71", "OTHR EHZ 1"}),
               "RJOB");
    EXPECT_EQ(header_like.ierr, 999);
    EXPECT_EQ(header_like.ipick, 0);
    EXPECT_EQ(lookup(dir.write("c", {}), "RJOB").ierr, 999);
    EXPECT_EQ(lookup(dir.write("d", {"one line"}), "RJOB").ierr, 999);
    EXPECT_EQ(lookup(dir.file("absent"), "RJOB").ierr, 1000);
}

TEST(FetchPick, ShortAndMalformedLinesStoredWithoutComplaint) {
    TempDir dir;
    const auto r = lookup(dir.write("pf", pick_file({"STAT eoi x1 I P 0 D 0 2009 5 1 2 3.x",
                                                     "STAT HHZ x1 I P", "STAT HHE 2 I P"})),
                          "STAT");
    EXPECT_EQ(r.ierr, 0);
    ASSERT_EQ(r.ipick, 1);
    EXPECT_EQ(r.picks[0].num, 0);
    EXPECT_EQ(r.picks[0].pdate, at(2009, 5, 1, 2, 0)); // undecodable seconds give 0
    // A line too short to hold a year has year 0: it is no pick.
    EXPECT_EQ(r.output, "   Tesk_wave - pick year 0 out of range, pick ignored\n"
                        "   Tesk_wave - pick year 0 out of range, pick ignored\n");
}

TEST(FetchPick, TimeOutsideThePlausibleYearsIsIgnoredWithAMessage) {
    TempDir dir;
    const auto r = lookup(dir.write("pf", pick_file({
                                              "STAT HHZ 1 I P 0 D 0 2000000000 236 00:20:07.71",
                                              "STAT HHZ 2 I P 0 D 0 -2000000000 236 00:20:07.71",
                                              "STAT HHZ 3 I P 0 D 0 1899 365 23:59:59.00",
                                              "STAT HHZ 4 I P 0 D 0 2600 1 00:00:00.00",
                                              // Days beyond the year carry it far away.
                                              "STAT HHZ 5 I P 0 D 0 2009 2000000000 00:20:07.71",
                                              "STAT HHZ 6 I P 0 D 0 1900 1 00:00:00.00",
                                              "STAT HHZ 7 I P 0 D 0 2599 365 23:59:59.00",
                                          })),
                          "STAT");
    EXPECT_EQ(r.ierr, 0);
    ASSERT_EQ(r.ipick, 2);
    EXPECT_EQ(r.picks[0].num, 6);
    EXPECT_EQ(r.picks[1].num, 7);
    EXPECT_EQ(r.output, "   Tesk_wave - pick year 2000000000 out of range, pick ignored\n"
                        "   Tesk_wave - pick year -2000000000 out of range, pick ignored\n"
                        "   Tesk_wave - pick year 1899 out of range, pick ignored\n"
                        "   Tesk_wave - pick year 2600 out of range, pick ignored\n"
                        "   Tesk_wave - pick year 5477823 out of range, pick ignored\n");
    // Only refused picks: the lookup finds nothing.
    const auto none = lookup(
        dir.write("pf2", pick_file({"STAT HHZ 1 I P 0 D 0 2000000000 236 00:20:07.71"})), "STAT");
    EXPECT_EQ(none.ierr, 999);
    EXPECT_EQ(none.ipick, 0);
}

TEST(FetchPick, MoreThanCapacityKeepsTheFirstAndSaysSoOnce) {
    TempDir dir;
    std::vector<std::string> lines = kHeader;
    for (int i = 1; i <= kMaxPicks + 5; ++i)
        lines.push_back("STAT HHZ " + std::to_string(i) + " I P 0 D 0 2009 236 00:20:07.71");
    lines.push_back("OTHR HHZ 1 I P 0 D 0 2009 236 00:20:07.71");
    const auto r = lookup(dir.write("pf", lines), "STAT");
    EXPECT_EQ(r.ierr, 0);
    EXPECT_EQ(r.ipick, kMaxPicks);
    EXPECT_EQ(r.picks[0].num, 1);
    EXPECT_EQ(r.picks[kMaxPicks - 1].num, kMaxPicks);
    EXPECT_EQ(r.output, "  Tesk_wave - more than 100 picks, rest ignored\n");
}

TEST(FetchPick, OverlongLineKeepsItsFirst256Characters) {
    TempDir dir;
    // The seconds token starts in column 254: only "07." is left of it after the cut.
    std::string line = "STAT HHZ 1 I P 0 D 0 2009 236 00:20";
    line += std::string(253 - line.size(), ' ') + "07.25";
    ASSERT_EQ(line.find("07.25"), 253u);
    std::string endless = "STAT HHZ 2 I P 0 D 0 2009 236 00:20:07.71 ";
    endless += std::string(100000, 'x');
    const auto r = lookup(dir.write("pf", pick_file({line, endless})), "STAT");
    ASSERT_EQ(r.ipick, 2);
    EXPECT_EQ(r.picks[0].pdate, at(2009, 236, 0, 20, 7, 0));
    EXPECT_EQ(r.picks[1].pdate, at(2009, 236, 0, 20, 7, 710000));
}

TEST(FetchPick, CarriageReturnLineEnds) {
    TempDir dir;
    const auto r = lookup(
        dir.write("pf", {"h1\r", "h2\r", "STAT HHZ 1 I P 0 D 0 2009 236 00:20:07.71\r"}), "STAT");
    ASSERT_EQ(r.ipick, 1);
    EXPECT_EQ(r.picks[0].pdate, at(2009, 236, 0, 20, 7, 710000));
}

} // namespace
} // namespace tw
