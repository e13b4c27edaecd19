// The table of result lines as CSV and JSON.
#include "commands/mag/tidy_table.hpp"

#include <gtest/gtest.h>

namespace tw::mag {
namespace {

TEST(TidyTable, CsvFieldsAreQuotedOnlyWhenNeeded) {
    EXPECT_EQ(csv_field("SY01"), "SY01");
    EXPECT_EQ(csv_field("a,b"), "\"a,b\"");
    EXPECT_EQ(csv_field("say \"x\""), "\"say \"\"x\"\"\"");
    EXPECT_EQ(csv_field("two\nlines"), "\"two\nlines\"");
}

TEST(TidyTable, WrittenNumbersBecomeJsonNumbers) {
    EXPECT_EQ(json_number("39.943"), "39.943");
    EXPECT_EQ(json_number(".13702E-06"), "0.13702E-06");
    EXPECT_EQ(json_number("-.5"), "-0.5");
    EXPECT_EQ(json_number("90."), "90.0");
    EXPECT_EQ(json_number("-90."), "-90.0");
    EXPECT_EQ(json_number("+1.5"), "1.5");
    EXPECT_EQ(json_number("007"), "7");
    EXPECT_EQ(json_number("0.00000E+00"), "0.00000E+00");
    EXPECT_EQ(json_number("3271"), "3271");
    EXPECT_FALSE(json_number("************").has_value());
    EXPECT_FALSE(json_number("1.5E").has_value());
    EXPECT_FALSE(json_number(".").has_value());
    EXPECT_FALSE(json_number("12a").has_value());
    EXPECT_EQ(json_string("a\"b\\c\n"), "\"a\\\"b\\\\c\\n\"");
}

RunResults two_rows() {
    RunResults run;
    ResultLine a = *parse_result_line("wood.wave", " SY01HHE WAS 39.943 0.498 3271 1.904");
    a[Col::line] = std::string(1, '3');
    ResultLine b = *parse_result_line(
        "energy.wave", " SY01 HH  XX   EMAG   3.40   14.43 ***************    0.95438E-03");
    b[Col::line] = std::string(1, '4');
    run.lines = {a, b};
    return run;
}

TEST(TidyTable, CsvHasOneRowPerLineAndTheWrittenTexts) {
    const std::string csv = tidy_csv(two_rows());
    const std::size_t header_end = csv.find('\n');
    EXPECT_EQ(csv.substr(0, 38), "file,line,station,network,channel,meas");
    const std::string first =
        csv.substr(header_end + 1, csv.find('\n', header_end + 1) - header_end - 1);
    EXPECT_EQ(first.rfind("wood.wave,3,SY01,,HHE,WAS,39.943,mm,0.498,", 0), 0u) << first;
    EXPECT_NE(first.find(",3271,1.904,"), std::string::npos) << first;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3);
    // every row has as many fields as the header
    std::size_t start = 0;
    for (int row = 0; row < 3; ++row) {
        const std::size_t end = csv.find('\n', start);
        const std::string line = csv.substr(start, end - start);
        EXPECT_EQ(std::count(line.begin(), line.end(), ','), long(kColumnCount) - 1) << line;
        start = end + 1;
    }
    // the overflowed energy is left empty, the integral kept
    EXPECT_NE(csv.find("14.43,sqrt(epicentral^2+8^2),,,,,,,,,0.95438E-03"), std::string::npos);
}

TEST(TidyTable, JsonRowsUseTheColumnNames) {
    const std::string json = tidy_json(two_rows());
    EXPECT_EQ(json.substr(0, 4), "[\n  ");
    EXPECT_NE(json.find("{\"file\": \"wood.wave\", \"line\": 3, \"station\": \"SY01\", "
                        "\"network\": null, \"channel\": \"HHE\", \"measurement\": \"WAS\", "
                        "\"value\": 39.943, \"unit\": \"mm\", \"period_s\": 0.498"),
              std::string::npos);
    EXPECT_NE(json.find("\"energy_erg\": null, \"velocity2_integral_cm2_s\": 0.95438E-03"),
              std::string::npos);
    EXPECT_EQ(tidy_json(RunResults{}), "[\n]\n");
}

} // namespace
} // namespace tw::mag
