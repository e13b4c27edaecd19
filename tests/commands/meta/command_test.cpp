// tesk_meta as a user runs it: golden files of the RJOB document, the end-to-end measurements
// with the converted files, StationXML against RESP, refusals and whole files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/commands/meta/read_back.hpp"
#include "tests/support/run_program.hpp"
#include "tests/support/test_data.hpp"
#include "tw_version.hpp"

namespace tw::meta {
namespace {

namespace fs = std::filesystem;
using tw::testing::lines_of;
using tw::testing::ProgramResult;
using tw::testing::run_program;
using tw::testing::slurp;
using tw::testing::TempDir;
using tw::testing::test_data;

std::string xml(const std::string& name) {
    return test_data("stationxml/" + name);
}

std::string golden(const std::string& name) {
    return std::string(TW_SOURCE_DIR) + "/tests/commands/golden/" + name;
}

ProgramResult meta(const std::vector<std::string>& args) {
    return run_program(TESK_META, args);
}

std::vector<std::string> folder_listing(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(TeskMeta, HelpAndVersion) {
    const ProgramResult help = meta({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: tesk_meta [-o DIR]", 0), 0u);
    const ProgramResult version = meta({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("tesk_meta ") + tw::kVersion + "\n");
    EXPECT_EQ(meta({}).status, 2);
    EXPECT_EQ(meta({"-x", "a.xml"}).status, 2);
    EXPECT_EQ(meta({"-time", "yesterday", "a.xml"}).status, 2);
}

TEST(TeskMeta, TheRjobDocumentGivesTheGoldenFiles) {
    TempDir dir;
    const ProgramResult r = meta({"-o", (dir / "meta").string(), xml("BW_RJOB.xml")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    for (const char* suffix : {".stat", ".resp", ".sens"}) {
        SCOPED_TRACE(suffix);
        EXPECT_EQ(slurp(dir / "meta" / (std::string("stations") + suffix)),
                  slurp(golden(std::string("tesk_meta_BW_RJOB") + suffix)));
    }
    EXPECT_EQ(folder_listing(dir / "meta"),
              (std::vector<std::string>{"stations.resp", "stations.sens", "stations.stat"}));
}

// Numbers of two result lines agree within 0.5 % or one unit of their last printed digit.
void expect_close_lines(const std::string& a, const std::string& b) {
    std::istringstream sa(a), sb(b);
    std::vector<std::string> ta, tb;
    for (std::string t; sa >> t;)
        ta.push_back(t);
    for (std::string t; sb >> t;)
        tb.push_back(t);
    ASSERT_EQ(ta.size(), tb.size()) << a << "\n" << b;
    for (std::size_t i = 0; i < ta.size(); ++i) {
        char* end_a = nullptr;
        char* end_b = nullptr;
        const double x = std::strtod(ta[i].c_str(), &end_a);
        const double y = std::strtod(tb[i].c_str(), &end_b);
        if (*end_a != '\0' || *end_b != '\0' || ta[i].find('.') == std::string::npos) {
            EXPECT_EQ(ta[i], tb[i]) << a << "\n" << b;
            continue;
        }
        const std::size_t decimals = ta[i].size() - ta[i].find('.') - 1;
        const double unit = std::pow(10.0, -static_cast<double>(decimals));
        EXPECT_LE(std::abs(x - y), std::max(0.005 * std::abs(x), unit * 1.0001)) << a << "\n" << b;
    }
}

// Largest absolute sample of a save file (a header line, then "index value" lines).
double save_file_peak(const fs::path& path) {
    const auto lines = lines_of(slurp(path));
    double peak = 0.0;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::istringstream in(lines[i]);
        long index = 0;
        double value = 0.0;
        if (in >> index >> value) peak = std::max(peak, std::abs(value));
    }
    return peak;
}

TEST(TeskMetaEndToEnd, RjobMeasurementsAgreeWithTheHandMadeFiles) {
    TempDir dir;
    ASSERT_EQ(meta({"-o", (dir / "meta").string(), xml("BW_RJOB.xml")}).status, 0);
    const std::vector<std::string> traces = {"BW.RJOB..EHE.mseed", "BW.RJOB..EHN.mseed",
                                             "BW.RJOB..EHZ.mseed"};
    const std::string hand_coord = test_data("rjob/rjob.stat"),
                      hand_resp = test_data("rjob/rjob.resp");
    const std::string meta_coord = (dir / "meta" / "stations.stat").string(),
                      meta_resp = (dir / "meta" / "stations.resp").string();
    for (const auto& [run, coord, resp] :
         {std::tuple{"hand", hand_coord, hand_resp}, std::tuple{"meta", meta_coord, meta_resp}}) {
        fs::create_directories(dir / run);
        for (const auto& t : traces)
            fs::copy_file(test_data("rjob/" + t), dir / run / t);
        std::vector<std::string> args = {"-w", "-g", "-s", "-coord", coord, "-resp", resp};
        args.insert(args.end(), traces.begin(), traces.end());
        const ProgramResult r = run_program(TESK_WAVE, args, dir / run);
        ASSERT_EQ(r.status, 0) << r.out;
    }
    for (const char* result : {"wood.wave", "ground.wave"}) {
        const auto hand = lines_of(slurp(dir / "hand" / result));
        const auto converted = lines_of(slurp(dir / "meta" / result));
        ASSERT_EQ(hand.size(), converted.size());
        ASSERT_GT(hand.size(), 2u);
        for (std::size_t i = 2; i < hand.size(); ++i)
            expect_close_lines(hand[i], converted[i]);
    }
    // The saved Wood-Anderson and velocity traces: peaks within 0.5 %.
    double worst = 0.0;
    for (const auto& t : traces)
        for (const char* suffix : {".wood", ".ground"}) {
            const double hand = save_file_peak(dir / "hand" / (t + suffix));
            const double converted = save_file_peak(dir / "meta" / (t + suffix));
            ASSERT_GT(hand, 0.0);
            EXPECT_NEAR(converted / hand, 1.0, 0.005) << t << suffix;
            worst = std::max(worst, std::abs(converted / hand - 1.0));
        }
    RecordProperty("worst_peak_difference", testing::scientific(worst));
}

TEST(TeskMetaEndToEnd, StationXmlAndRespOfTheSameChannelAgree) {
    TempDir dir;
    ASSERT_EQ(meta({"-o", (dir / "xml").string(), xml("IUANMO.xml")}).status, 0);
    const ProgramResult resp = meta({"-o", (dir / "resp").string(), xml("IUANMO.resp")});
    ASSERT_EQ(resp.status, 0);
    EXPECT_NE(resp.err.find("IU.ANMO: no coordinates"), std::string::npos);
    EXPECT_EQ(slurp(dir / "resp" / "stations.stat"), "");

    auto lookup = [&](const std::string& which) {
        testing::ReadBack r;
        r.head.stat = "ANMO";
        r.head.chan = "LHZ";
        r.head.stime = testing::instant({2010, 100, 12, 0});
        fetch_response((dir / which / "stations.resp").string(), r.head, r.instr,
                       r.response_status);
        fetch_sens((dir / which / "stations.sens").string(), r.head, r.sens, r.sensitivity_status);
        EXPECT_EQ(r.response_status, 0);
        EXPECT_EQ(r.sensitivity_status, 0);
        return r;
    };
    const testing::ReadBack a = lookup("xml"), b = lookup("resp");
    ASSERT_GT(a.sens.fp_lc, 0.0f);
    ASSERT_GT(a.sens.fp_hc, a.sens.fp_lc);
    // Over the passband, in 100 steps per decade.
    double worst = 0.0;
    for (double f = a.sens.fp_lc; f <= a.sens.fp_hc; f *= std::pow(10.0, 0.01)) {
        const auto x = a.at(f), y = b.at(f);
        worst = std::max(worst, std::abs(x - y) / std::abs(x));
    }
    EXPECT_LT(worst, 1e-3);
    RecordProperty("worst_relative_difference", testing::scientific(worst));
}

TEST(TeskMeta, MalformedXmlIsOneMessageAndNothingIsWritten) {
    TempDir dir;
    const std::string bad = (dir / "bad.xml").string();
    testing::write_text(bad, "<?xml version='1.0'?>\n<FDSNStationXML>\n<Network code='X'>\n"
                             "<Station>\n</Network>\n");
    fs::create_directories(dir / "out");
    testing::write_text((dir / "out" / "stations.resp").string(), "old\n");
    const ProgramResult r = meta({"-o", (dir / "out").string(), xml("BW_RJOB.xml"), bad});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tesk_meta: " + bad +
                         ":5: malformed XML (Start-end tags mismatch)\n"
                         "tesk_meta: nothing written\n");
    EXPECT_EQ(folder_listing(dir / "out"), std::vector<std::string>{"stations.resp"});
    EXPECT_EQ(slurp(dir / "out" / "stations.resp"), "old\n");
}

TEST(TeskMeta, UnusableChannelsAreListedAndTheRunGoesOn) {
    TempDir dir;
    const ProgramResult r =
        meta({"-o", dir.path().string(), xml("only_soh.xml"), xml("BW_RJOB.xml")});
    EXPECT_EQ(r.status, 0);
    const auto err = lines_of(r.err);
    ASSERT_EQ(err.size(), 2u) << r.err;
    EXPECT_NE(err[0].find("TA.034A..ACE (2010-01-08T00:00:00 to 2011-11-17T17:05:00): not used: "
                          "no response"),
              std::string::npos);
    EXPECT_NE(err[1].find("TA.034A.EP.QEP"), std::string::npos);
    EXPECT_NE(err[1].find("input unit \"COUNTS\" is no ground motion"), std::string::npos);
    EXPECT_EQ(slurp(dir / "stations.resp"), slurp(golden("tesk_meta_BW_RJOB.resp")));

    // Nothing usable at all: status 1 and no files.
    TempDir empty;
    const ProgramResult none = meta({"-o", empty.path().string(), xml("only_soh.xml")});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("tesk_meta: no usable channel; nothing written"), std::string::npos);
    EXPECT_TRUE(folder_listing(empty.path()).empty());
}

TEST(TeskMeta, ChoiceOfChannelsAndTime) {
    TempDir dir;
    ProgramResult r = meta({"-o", dir.path().string(), "-cha", "EHZ,EHN", "-net", "B?", "-time",
                            "2009-08-24T00:20:03", xml("BW_RJOB.xml")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines_of(slurp(dir / "stations.sens")).size(), 4u);
    r = meta({"-o", dir.path().string(), "-time", "2005-01-01", xml("BW_RJOB.xml")});
    EXPECT_EQ(r.status, 1);
    // The earlier epochs of RJOB are in the other document; at that time they are used.
    r = meta(
        {"-o", dir.path().string(), "-sta", "RJOB", "-time", "2005-01-01", xml("BW_GR_misc.xml")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines_of(slurp(dir / "stations.resp"))[0].substr(0, 37),
              "RJOB EHE 2001 135 0000  2006 346 0000");
}

TEST(TeskMeta, AFolderThatCannotBeWrittenLeavesNothingBehind) {
    TempDir dir;
    testing::write_text((dir / "plain").string(), "a file, not a folder\n");
    const ProgramResult r = meta({"-o", (dir / "plain" / "out").string(), xml("BW_RJOB.xml")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("stations.stat: cannot create a file in its folder"), std::string::npos)
        << r.err;
    EXPECT_EQ(folder_listing(dir.path()), std::vector<std::string>{"plain"});
}

TEST(TeskMeta, ExistingFilesAreReplacedWhole) {
    TempDir dir;
    testing::write_text((dir / "stations.sens").string(), std::string(100000, 'x'));
    ASSERT_EQ(meta({"-o", dir.path().string(), xml("BW_RJOB.xml")}).status, 0);
    EXPECT_EQ(slurp(dir / "stations.sens"), slurp(golden("tesk_meta_BW_RJOB.sens")));
    EXPECT_EQ(folder_listing(dir.path()),
              (std::vector<std::string>{"stations.resp", "stations.sens", "stations.stat"}));
}

} // namespace
} // namespace tw::meta
