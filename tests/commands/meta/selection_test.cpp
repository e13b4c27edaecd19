// Which epochs go into the station files: the user's choice and the files' 4+3 character keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/meta/selection.hpp"

namespace tw::meta {
namespace {

StationEntry entry(const std::string& net, const std::string& sta, const std::string& loc,
                   const std::string& cha, const char* start, const char* end = nullptr) {
    StationEntry e;
    e.network = net;
    e.station = sta;
    e.location = loc;
    e.channel = cha;
    e.start = *parse_iso_time(start);
    if (end != nullptr) e.end = parse_iso_time(end);
    e.latitude = 10.0;
    e.longitude = 20.0;
    return e;
}

std::vector<std::string> kept(const Selection& s) {
    std::vector<std::string> names;
    for (const auto& e : s.entries)
        names.push_back(e.network + "." + e.station + "." + e.location + "." + e.channel + "@" +
                        iso_text(e.start).substr(0, 10));
    return names;
}

TEST(Selection, CodePatterns) {
    EXPECT_TRUE(code_matches("HH?", "HHZ"));
    EXPECT_FALSE(code_matches("HH?", "HHZ1"));
    EXPECT_TRUE(code_matches("*", ""));
    EXPECT_TRUE(code_matches("R*B", "RJOB"));
    EXPECT_TRUE(code_matches("*Z", "EHZ"));
    EXPECT_FALSE(code_matches("*N", "EHZ"));
    EXPECT_TRUE(code_matches("BW", "BW"));
    EXPECT_FALSE(code_matches("BW", "BWX"));
}

TEST(Selection, ChoiceOfCodesAndTime) {
    ChannelEpoch c;
    c.network = "IU";
    c.station = "ANMO";
    c.location = "10";
    c.channel = "BHZ";
    c.start = parse_iso_time("2010-01-01");
    c.end = parse_iso_time("2012-01-01");
    Choice choice;
    EXPECT_TRUE(chosen(choice, c));
    choice.channels = {"LH?", "BH?"};
    EXPECT_TRUE(chosen(choice, c));
    choice.networks = {"GE"};
    EXPECT_FALSE(chosen(choice, c));
    choice = Choice{};
    choice.locations = {"00", "--"};
    EXPECT_FALSE(chosen(choice, c));
    choice.locations = {"00", "10"};
    EXPECT_TRUE(chosen(choice, c));
    choice.time = parse_iso_time("2012-01-01"); // the end itself is no longer in operation
    EXPECT_FALSE(chosen(choice, c));
    choice.time = parse_iso_time("2011-12-31T23:59:59");
    EXPECT_TRUE(chosen(choice, c));
}

TEST(Selection, TheEmptyLocationCodeFirstThenTheLowest) {
    const Inventory inventory;
    const Selection s = select_entries({entry("IU", "ANMO", "10", "BHZ", "2010-01-01"),
                                        entry("IU", "ANMO", "00", "BHZ", "2010-01-01"),
                                        entry("IU", "ANMO", "", "BHZ", "2012-01-01")},
                                       inventory, Choice{});
    // The open epochs overlap: the empty code wins, 00 and 10 are reported.
    EXPECT_EQ(kept(s), (std::vector<std::string>{"IU.ANMO..BHZ@2012-01-01"}));
    ASSERT_EQ(s.reports.size(), 2u);
    EXPECT_NE(s.reports[0].find("IU.ANMO.00.BHZ (2010-01-01T00:00:00 to open end) left out: it "
                                "overlaps IU.ANMO..BHZ"),
              std::string::npos)
        << s.reports[0];
}

TEST(Selection, AnotherLocationCodeFillsTheTimeThePreferredOneLeaves) {
    const Inventory inventory;
    Choice choice;
    choice.locations = {"10", "00"};
    const Selection s =
        select_entries({entry("IU", "ANMO", "00", "BHZ", "2008-01-01", "2011-06-01"),
                        entry("IU", "ANMO", "00", "BHZ", "2012-01-01"),
                        entry("IU", "ANMO", "10", "BHZ", "2011-06-01")},
                       inventory, choice);
    EXPECT_EQ(kept(s),
              (std::vector<std::string>{"IU.ANMO.00.BHZ@2008-01-01", "IU.ANMO.10.BHZ@2011-06-01"}));
    ASSERT_EQ(s.reports.size(), 1u);
    EXPECT_EQ(s.reports[0].substr(0, 30), "IU.ANMO.00.BHZ (2012-01-01T00:");
}

TEST(Selection, FiveCharacterStationsSharingTheirFirstFour) {
    Inventory inventory;
    StationEpoch a;
    a.network = "XX";
    a.station = "ABCDE";
    a.latitude = 1.0;
    a.longitude = 2.0;
    StationEpoch b = a;
    b.station = "ABCDF";
    b.latitude = 3.0;
    inventory.stations = {b, a};
    const Selection s = select_entries({entry("XX", "ABCDF", "", "HHZ", "2020-01-01"),
                                        entry("XX", "ABCDE", "", "HHZ", "2020-06-01"),
                                        entry("XX", "ABCDF", "", "HHN", "2020-01-01")},
                                       inventory, Choice{});
    EXPECT_EQ(kept(s),
              (std::vector<std::string>{"XX.ABCDF..HHN@2020-01-01", "XX.ABCDE..HHZ@2020-06-01"}));
    ASSERT_EQ(s.reports.size(), 2u);
    EXPECT_NE(s.reports[0].find("XX.ABCDF..HHZ"), std::string::npos);
    EXPECT_EQ(s.reports[1], "stations XX.ABCDE, XX.ABCDF share the key \"ABCD\" of the station "
                            "files; the coordinate line is that of XX.ABCDE");
    ASSERT_EQ(s.coordinates.size(), 1u);
    EXPECT_EQ(s.coordinates[0].key, "ABCD");
    EXPECT_DOUBLE_EQ(s.coordinates[0].latitude, 1.0);
}

TEST(Selection, CoordinatesOfTheLatestStationEpochInUse) {
    Inventory inventory;
    StationEpoch old;
    old.network = "BW";
    old.station = "RJOB";
    old.start = parse_iso_time("2001-01-01");
    old.end = parse_iso_time("2007-12-17");
    old.latitude = 47.7;
    old.longitude = 12.7;
    StationEpoch now = old;
    now.start = parse_iso_time("2007-12-17");
    now.end.reset();
    now.latitude = 47.8;
    inventory.stations = {now, old};
    const std::vector<StationEntry> both = {
        entry("BW", "RJOB", "", "EHZ", "2001-01-01", "2007-12-17"),
        entry("BW", "RJOB", "", "EHZ", "2007-12-17")};
    Selection s = select_entries(both, inventory, Choice{});
    ASSERT_EQ(s.coordinates.size(), 1u);
    EXPECT_DOUBLE_EQ(s.coordinates[0].latitude, 47.8);
    ASSERT_EQ(s.reports.size(), 1u);
    EXPECT_EQ(s.reports[0], "BW.RJOB: the position differs between station epochs; the "
                            "coordinate file holds the one from 2007-12-17T00:00:00");
    // At a chosen time in the old epoch, its position.
    Choice then;
    then.time = parse_iso_time("2005-01-01");
    s = select_entries({both[0]}, inventory, then);
    EXPECT_DOUBLE_EQ(s.coordinates.at(0).latitude, 47.7);
    EXPECT_TRUE(s.reports.empty());
}

TEST(Selection, StationsWithoutCoordinatesAreReported) {
    StationEntry e = entry("IU", "ANMO", "00", "LHZ", "2008-01-01");
    e.latitude.reset();
    const Selection s = select_entries({e}, Inventory{}, Choice{});
    EXPECT_EQ(s.entries.size(), 1u);
    EXPECT_TRUE(s.coordinates.empty());
    ASSERT_EQ(s.reports.size(), 1u);
    EXPECT_EQ(s.reports[0].substr(0, 33), "IU.ANMO: no coordinates in the do");
}

} // namespace
} // namespace tw::meta
