// StationXML and RESP documents into the inventory, and the one-line refusal of anything else.
#include <gtest/gtest.h>

#include <string>

#include "commands/meta/document_reader.hpp"
#include "tests/support/test_data.hpp"

namespace tw::meta {
namespace {

using tw::testing::test_data;

Inventory read_fixture(const std::string& name) {
    Inventory inv;
    std::string error;
    EXPECT_TRUE(read_document(test_data("stationxml/" + name), inv, error)) << error;
    return inv;
}

// The message of a document that must be refused.
std::string refusal(const std::string& text) {
    Inventory inv;
    std::string error;
    EXPECT_FALSE(read_document_text("doc.xml", text, inv, error));
    EXPECT_TRUE(inv.channels.empty() && inv.stations.empty());
    return error;
}

TEST(StationXml, TheRjobDocument) {
    const Inventory inv = read_fixture("BW_RJOB.xml");
    ASSERT_EQ(inv.stations.size(), 1u);
    EXPECT_EQ(inv.stations[0].network, "BW");
    EXPECT_EQ(inv.stations[0].station, "RJOB");
    EXPECT_DOUBLE_EQ(*inv.stations[0].latitude, 47.737167);
    EXPECT_DOUBLE_EQ(*inv.stations[0].elevation, 860.0);
    ASSERT_EQ(inv.channels.size(), 3u);
    const ChannelEpoch& z = inv.channels[0];
    EXPECT_EQ(z.channel, "EHZ");
    EXPECT_EQ(z.location, ""); // written as two blanks
    EXPECT_EQ(z.start, parse_iso_time("2007-12-17T00:00:00"));
    EXPECT_FALSE(z.end.has_value());
    EXPECT_DOUBLE_EQ(*z.azimuth, 0.0);
    EXPECT_DOUBLE_EQ(*z.dip, -90.0);
    EXPECT_EQ(z.origin.line, 17);
    ASSERT_TRUE(z.sensitivity.has_value());
    EXPECT_DOUBLE_EQ(*z.sensitivity->value, 2.5168e9);
    EXPECT_DOUBLE_EQ(*z.sensitivity->frequency, 0.02);
    EXPECT_EQ(z.sensitivity->input_units, "M/S");
    ASSERT_EQ(z.stages.size(), 4u);
    EXPECT_EQ(z.stages[0].kind, Stage::Kind::laplace_radians);
    EXPECT_DOUBLE_EQ(*z.stages[0].a0, 6.0077e7);
    EXPECT_EQ(z.stages[0].pz.zeros.size(), 2u);
    ASSERT_EQ(z.stages[0].pz.poles.size(), 5u);
    EXPECT_EQ(z.stages[0].pz.poles[3], Complex(-131.04, -467.29));
    EXPECT_EQ(z.stages[1].kind, Stage::Kind::gain_only); // digitiser: coefficients without terms
    EXPECT_DOUBLE_EQ(*z.stages[1].gain, 1677850.0);
    EXPECT_EQ(z.stages[2].kind, Stage::Kind::digital);
    EXPECT_EQ(z.stages[3].kind, Stage::Kind::digital);
    EXPECT_TRUE(z.faults.empty());
}

TEST(StationXml, NamespacePrefixAndEveryVersion) {
    for (const char* version : {"1.0", "1.1", "1.2"}) {
        SCOPED_TRACE(version);
        const std::string doc = std::string("<?xml version='1.0'?>\n"
                                            "<s:FDSNStationXML xmlns:s='http://www.fdsn.org/xml/"
                                            "station/1' schemaVersion='") +
                                version +
                                "'>\n<s:Network code='XX'><s:Station code='ABC' "
                                "startDate='2020-01-01T00:00:00'>\n"
                                "<s:Latitude>1.5</s:Latitude><s:Longitude>2.5</s:Longitude>\n"
                                "<s:Channel code='HHZ' locationCode='00' "
                                "startDate='2020-01-01T00:00:00'/>\n"
                                "</s:Station></s:Network></s:FDSNStationXML>\n";
        Inventory inv;
        std::string error;
        ASSERT_TRUE(read_document_text("doc.xml", doc, inv, error)) << error;
        ASSERT_EQ(inv.channels.size(), 1u);
        EXPECT_EQ(inv.channels[0].location, "00");
        EXPECT_EQ(inv.channels[0].origin.line, 5);
        EXPECT_DOUBLE_EQ(*inv.stations[0].longitude, 2.5);
    }
    // The fixture with a prefix and no stations reads as an empty inventory.
    EXPECT_TRUE(read_fixture("no_default_namespace.xml").channels.empty());
}

TEST(StationXml, MalformedNumbersAreFaultsOfTheirChannel) {
    const std::string doc =
        "<FDSNStationXML schemaVersion='1.1'><Network code='XX'><Station code='ABC'>\n"
        "<Channel code='HHZ' locationCode='' startDate='2020-01-01'>\n"
        "<Latitude>north</Latitude><Longitude>2</Longitude>\n"
        "</Channel></Station></Network></FDSNStationXML>";
    Inventory inv;
    std::string error;
    ASSERT_TRUE(read_document_text("doc.xml", doc, inv, error));
    ASSERT_EQ(inv.channels.size(), 1u);
    ASSERT_EQ(inv.channels[0].faults.size(), 1u);
    EXPECT_EQ(inv.channels[0].faults[0], "malformed Latitude \"north\" in line 3");
}

TEST(StationXml, MalformedXmlNamesFileAndLine) {
    EXPECT_EQ(refusal("<?xml version='1.0'?>\n<FDSNStationXML>\n<Network code='X'>\n"
                      "<Station>\n</Network>\n</FDSNStationXML>\n"),
              "doc.xml:5: malformed XML (Start-end tags mismatch)");
    EXPECT_EQ(refusal("<FDSNStationXML>\n<Network code='X>\n"),
              "doc.xml:2: malformed XML (Error parsing element attribute)");
}

TEST(StationXml, OtherDocumentsAreRefused) {
    EXPECT_EQ(refusal("<?xml version='1.0'?>\n\n<q:quakeml xmlns:q='x'/>\n"),
              "doc.xml:3: not StationXML (root element <q:quakeml>)");
    EXPECT_EQ(refusal("<FDSNStationXML schemaVersion='2.0'/>"),
              "doc.xml:1: StationXML version 2.0 is not supported (1.0 to 1.2 are)");
    EXPECT_EQ(refusal("\n\nstation list\n"), "doc.xml:3: neither StationXML nor a RESP file");
    EXPECT_EQ(refusal(""), "doc.xml:1: neither StationXML nor a RESP file");
    EXPECT_EQ(refusal("#\t<< comment >>\nB050F03     Station:     ANMO\nSOMETHING ELSE\n"),
              "doc.xml:3: not a RESP line");
}

TEST(StationXml, AFileThatCannotBeOpened) {
    Inventory inv;
    std::string error;
    EXPECT_FALSE(read_document("/nonexistent/stations.xml", inv, error));
    EXPECT_EQ(error, "/nonexistent/stations.xml: cannot open (No such file or directory)");
}

TEST(Resp, TheAnmoFile) {
    const Inventory inv = read_fixture("IUANMO.resp");
    EXPECT_TRUE(inv.stations.empty()); // RESP holds no coordinates
    ASSERT_EQ(inv.channels.size(), 1u);
    const ChannelEpoch& c = inv.channels[0];
    EXPECT_TRUE(c.from_resp);
    EXPECT_EQ(c.network + "." + c.station + "." + c.location + "." + c.channel, "IU.ANMO.00.LHZ");
    EXPECT_EQ(c.start, parse_iso_time("2008-06-30T20:00:00"));
    EXPECT_EQ(c.end, parse_iso_time("2011-02-18T19:11:00"));
    ASSERT_TRUE(c.sensitivity.has_value());
    EXPECT_DOUBLE_EQ(*c.sensitivity->value, 3.27508e9);
    EXPECT_DOUBLE_EQ(*c.sensitivity->frequency, 0.02);
    EXPECT_EQ(c.sensitivity->input_units, "M/S");
    ASSERT_EQ(c.stages.size(), 3u);
    EXPECT_EQ(c.stages[0].kind, Stage::Kind::laplace_radians);
    EXPECT_DOUBLE_EQ(*c.stages[0].a0, 86282.9);
    EXPECT_DOUBLE_EQ(*c.stages[0].gain, 1952.1);
    EXPECT_EQ(c.stages[0].pz.zeros.size(), 2u);
    ASSERT_EQ(c.stages[0].pz.poles.size(), 5u);
    EXPECT_EQ(c.stages[0].pz.poles[4], Complex(-7.388540e-02, 0.0));
    EXPECT_EQ(c.stages[1].kind, Stage::Kind::gain_only);
    EXPECT_EQ(c.stages[2].kind, Stage::Kind::digital);
    EXPECT_TRUE(c.faults.empty());
}

TEST(Resp, SeveralChannelsAndTheirFaults) {
    const std::string text = "B050F03     Station:     ABC\n"
                             "B050F16     Network:     XX\n"
                             "B052F03     Location:    ??\n"
                             "B052F04     Channel:     HHZ\n"
                             "B052F22     Start date:  2020,001,00:00:00.0000\n"
                             "B052F23     End date:    No Ending Time\n"
                             "B053F03     Transfer function type:   B [Analog (Hz)]\n"
                             "B053F04     Stage sequence number:    1\n"
                             "B053F09     Number of zeroes:         1\n"
                             "B053F14     Number of poles:          0\n"
                             "B053F10-13    0  0.0  0.0  0.0  0.0\n"
                             "B050F03     Station:     ABD\n"
                             "B052F04     Channel:     HHN\n"
                             "B052F22     Start date:  2020,400\n"
                             "B053F03     Transfer function type:   A\n"
                             "B053F09     Number of zeroes:         2\n";
    Inventory inv;
    std::string error;
    ASSERT_TRUE(read_document_text("x.resp", text, inv, error)) << error;
    ASSERT_EQ(inv.channels.size(), 2u);
    EXPECT_EQ(inv.channels[0].location, "");
    EXPECT_FALSE(inv.channels[0].end.has_value());
    EXPECT_EQ(inv.channels[0].stages[0].kind, Stage::Kind::laplace_hertz);
    EXPECT_TRUE(inv.channels[0].faults.empty());
    EXPECT_EQ(inv.channels[1].station, "ABD");
    EXPECT_EQ(inv.channels[1].origin.line, 12);
    ASSERT_EQ(inv.channels[1].faults.size(), 2u);
    EXPECT_EQ(inv.channels[1].faults[0], "malformed start date in line 14");
    EXPECT_EQ(inv.channels[1].faults[1],
              "stage 0: the numbers of poles and zeros differ from those announced");
}

TEST(Documents, EveryFixtureReadsOrIsRefusedCleanly) {
    // None of the real documents is malformed; odd ones read into whatever they hold.
    for (const auto& path : tw::testing::test_data_files("stationxml", ".xml")) {
        SCOPED_TRACE(path);
        Inventory inv;
        std::string error;
        EXPECT_TRUE(read_document(path, inv, error)) << error;
    }
}

} // namespace
} // namespace tw::meta
