// QuakeML documents: identifiers, structure and validity against the official schema.
#include "commands/mag/quakeml.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "commands/mag/xml_writer.hpp"
#include "quakeml_validation.hpp"
#include "tests/support/run_program.hpp"
#include "time/parse_date.hpp"

namespace tw::mag {
namespace {

TEST(Quakeml, ResourceIdentifiers) {
    for (const char* id : {"smi:local/tesk_wave/event/20240315T123004.250000",
                           "quakeml:org.example/a", "smi:abc/x", "smi:local/a/b//c?x=1&y=2,3;#"})
        EXPECT_TRUE(valid_resource_id(id)) << id;
    for (const char* id :
         {"smi:ab/x", "smi:local", "smi:local/", "http://example.org/x", "smi:/x", "smi:local//x",
          "smi:lo cal/x", "smi:local/a:b", "SMI:local/x", "smi:-local/x"})
        EXPECT_FALSE(valid_resource_id(id)) << id;
    EXPECT_TRUE(valid_id_prefix("smi:local/tesk_wave"));
    EXPECT_TRUE(valid_id_prefix("quakeml:ch.example"));
    EXPECT_FALSE(valid_id_prefix("smi:x"));
    EXPECT_FALSE(valid_id_prefix("local/tesk_wave"));
    EXPECT_EQ(id_part("XX.SY 1..H:Z"), "XX.SY_1..H_Z");
}

TEST(Quakeml, XmlTextIsEscaped) {
    EXPECT_EQ(XmlWriter::escape("a<b>&\"c'\x01"), "a&lt;b&gt;&amp;&quot;c&apos;");
    XmlWriter xml;
    xml.open("a", {{"k", "v&"}});
    xml.leaf("b", "1<2");
    xml.empty("c", {{"x", "y"}});
    xml.close();
    EXPECT_EQ(xml.str(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a k=\"v&amp;\">\n"
                         "  <b>1&lt;2</b>\n  <c x=\"y\"/>\n</a>\n");
}

// A run folder: two stations with Wood-Anderson and ground lines, three EMAG lines of which one
// lies far from the others.
void write_run(const std::filesystem::path& dir) {
    std::ofstream(dir / "wood.wave") << "# \n# \n"
                                     << " SY01HHE WAS 39.943 0.498 3271 1.904\n"
                                     << " SY01HHN WAS 48.007 0.298 3233 2.207\n"
                                     << " SY02HHN WAS 18.455 0.355 3411 1.715\n";
    std::ofstream(dir / "ground.wave")
        << "# \n#Stat\n"
        << " SY01 HHE  XX  PGV  90.   0. 2024  75 12 30  9  6199      0.46117     5.13695 46.151"
           "   10.253     15.62661\n"
        << " SY02 HHN  XX  PGA   0.   0. 2024  75 12 30 13  4899     10.33388     5.62237 45.824"
           "   10.334     29.01156\n";
    std::ofstream(dir / "energy.wave")
        << "# \n# \n"
        << " SY01 HH  XX   EMAG   3.40   14.43     0.50867E+16    0.95438E-03\n"
        << " SY02 HH  XX   EMAG   3.47   28.38     0.71508E+16    0.30102E-03\n"
        << " SY03 HH  XX   EMAG   4.47   62.42     0.72015E+16    0.46953E-04\n";
}

Event example_event() {
    Event e;
    e.origin = parse_origin_time("2024-03-15T12:30:04.25");
    e.latitude = 46.05;
    e.longitude = 10.2;
    e.depth_km = 10.0;
    return e;
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(Quakeml, DocumentOfARunIsValidAndComplete) {
    tw::testing::TempDir dir;
    write_run(dir.path());
    const Analysis a = analyse(dir.path(), example_event(), "", {});
    const std::string doc = quakeml_document(a, "smi:local/test");
    const auto path = dir / "event.xml";
    std::ofstream(path) << doc;
    tw::testing::expect_valid_quakeml(path.string());

    // one amplitude per WAS, PGA, PGV and PGD line, plus one behind each station ML
    EXPECT_EQ(count(doc, "<amplitude "), 3u + 2u + 2u);
    EXPECT_EQ(count(doc, "<type>WAS</type>"), 3u);
    EXPECT_EQ(count(doc, "<stationMagnitude "), 2u + 3u);
    EXPECT_EQ(count(doc, "<magnitude "), 2u);
    EXPECT_NE(doc.find("<preferredMagnitudeID>smi:local/test/magnitude/ML/"
                       "20240315T123004.250000</preferredMagnitudeID>"),
              std::string::npos);
    // SI units: 39.943 mm of the 2080 instrument is 1.92034e-05 m; PGV 0.46117 mm/s
    EXPECT_NE(doc.find("<value>1.92034e-05</value>"), std::string::npos);
    EXPECT_NE(doc.find("<value>0.00046117</value>"), std::string::npos);
    EXPECT_NE(doc.find("<unit>m/(s*s)</unit>"), std::string::npos);
    // the PGV period is 1 / 5.13695 Hz; without a save file its window is its instant
    EXPECT_NE(doc.find("<value>0.194668</value>"), std::string::npos);
    EXPECT_NE(doc.find("<begin>0</begin>\n          <end>0</end>\n          "
                       "<reference>2024-03-15T12:30:09.6199Z</reference>"),
              std::string::npos);
    EXPECT_NE(doc.find("<waveformID networkCode=\"XX\" stationCode=\"SY01\" channelCode=\"HHE\"/>"),
              std::string::npos);
    // the Me of SY03 lies a whole unit away: weight 0
    const std::size_t sy03 =
        doc.find("<stationMagnitudeID>smi:local/test/stationMagnitude/XX.SY03..HH.Me/");
    ASSERT_NE(sy03, std::string::npos);
    EXPECT_EQ(doc.substr(doc.find("<weight>", sy03), 18), "<weight>0</weight>");
    EXPECT_EQ(count(doc, "<weight>1</weight>"), 2u + 2u);
    // the station ML refers to its amplitude
    EXPECT_NE(doc.find("<amplitudeID>smi:local/test/amplitude/XX.SY01..HH.ML/"
                       "20240315T123004.250000</amplitudeID>"),
              std::string::npos);
    // every publicID is a valid identifier and none repeats
    std::set<std::string> ids;
    for (std::size_t at = doc.find("publicID=\""); at != std::string::npos;
         at = doc.find("publicID=\"", at + 1)) {
        const std::size_t start = at + 10;
        const std::string id = doc.substr(start, doc.find('"', start) - start);
        EXPECT_TRUE(valid_resource_id(id)) << id;
        EXPECT_TRUE(ids.insert(id).second) << id;
    }
    // the same input gives the same document
    EXPECT_EQ(quakeml_document(analyse(dir.path(), example_event(), "", {}), "smi:local/test"),
              doc);
}

TEST(Quakeml, RepeatedLinesKeepDistinctIdentifiers) {
    tw::testing::TempDir dir;
    std::ofstream(dir / "wood.wave") << " SY01HHE WAS 39.943 0.498 3271 1.904\n"
                                     << " SY01HHE WAS 38.000 0.498 3271 1.904\n";
    const std::string doc = quakeml_document(analyse(dir.path(), example_event(), "", {}),
                                             std::string(kDefaultIdPrefix));
    EXPECT_NE(doc.find("amplitude/.SY01..HHE.WAS/"), std::string::npos);
    EXPECT_NE(doc.find("amplitude/.SY01..HHE.WAS.2/"), std::string::npos);
    const auto path = dir / "repeated.xml";
    std::ofstream(path) << doc;
    tw::testing::expect_valid_quakeml(path.string());
}

} // namespace
} // namespace tw::mag
