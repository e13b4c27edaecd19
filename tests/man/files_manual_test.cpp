// The worked examples of the file-format manual page, read by tesk_wave's own readers: each
// gives the values the page says it does.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>

#include "dsp/responses.hpp"
#include "metadata/coordinates.hpp"
#include "metadata/picks.hpp"
#include "metadata/response.hpp"
#include "metadata/sensitivity.hpp"
#include "records/records.hpp"
#include "tests/support/run_program.hpp"
#include "time/int_time.hpp"

namespace tw {
namespace {

using tw::testing::slurp;
using tw::testing::TempDir;

const std::string kPage = std::string(TW_SOURCE_DIR) + "/man/tesk_wave-files.5";

// The text of a roff line as it renders: \- is a minus, \e a backslash, \& nothing.
std::string unescaped(const std::string& line) {
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            const char c = line[++i];
            if (c == '-')
                out += '-';
            else if (c == 'e')
                out += '\\';
            else if (c != '&')
                out += std::string("\\") + c;
            continue;
        }
        out += line[i];
    }
    return out;
}

// The lines of the example marked `.\" example: NAME`, written into a file of the folder.
std::string example_file(const TempDir& dir, const std::string& name) {
    std::istringstream page(slurp(kPage));
    std::string line, text;
    bool found = false, inside = false;
    while (std::getline(page, line)) {
        if (line == ".\\\" example: " + name) {
            found = true;
        } else if (found && !inside && line == ".EX") {
            inside = true;
        } else if (inside && line == ".EE") {
            break;
        } else if (inside) {
            text += unescaped(line) + "\n";
        }
    }
    EXPECT_TRUE(inside) << "no example " << name << " in " << kPage;
    const std::string path = (dir / (name + ".txt")).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

int_time at(int year, int doy, int hour, int minute, int second, int usec) {
    ext_time et{year, doy, 0, 0, hour, minute, second, usec};
    dy_to_mdy(doy, year, et.month, et.day);
    return ext_to_int(et);
}

TraceHeader rjob_trace() {
    TraceHeader head;
    head.stat = "RJOB";
    head.chan = "EHZ";
    head.stime = at(2009, 236, 0, 20, 3, 0);
    return head;
}

TEST(FileManualExamples, CoordinateFile) {
    TempDir dir;
    const std::string path = example_file(dir, "coordinate");
    float lat = 0, lon = 0, ele = 0;
    int ierr = -1;
    fetch_coord(path, FixedText<4>("RJOB"), lat, lon, ele, ierr);
    ASSERT_EQ(ierr, 0);
    EXPECT_FLOAT_EQ(lat, 47.73717f);
    EXPECT_FLOAT_EQ(lon, 12.79571f);
    EXPECT_FLOAT_EQ(ele, 860.0f);
    // The 3-letter code with its underscore, written with implied decimals.
    fetch_coord(path, FixedText<4>("ANM"), lat, lon, ele, ierr);
    ASSERT_EQ(ierr, 0);
    EXPECT_FLOAT_EQ(lat, 34.9459f);
    EXPECT_FLOAT_EQ(lon, -106.4572f);
    EXPECT_FLOAT_EQ(ele, 1820.0f);
}

TEST(FileManualExamples, SensitivityFile) {
    TempDir dir;
    TraceHeader head = rjob_trace();
    Sensitivity sens;
    int ierr = -1;
    fetch_sens(example_file(dir, "sensitivity"), head, sens, ierr);
    ASSERT_EQ(ierr, 0);
    EXPECT_EQ(sens.unit_code, 1);
    EXPECT_FLOAT_EQ(sens.fp_sens, 2.5168e9f);
    EXPECT_FLOAT_EQ(sens.fp_lc, 0.008330f);
    EXPECT_FLOAT_EQ(sens.fp_hc, 40.000412f);
}

TEST(FileManualExamples, ResponseFileAndWhatItsGainMeans) {
    TempDir dir;
    TraceHeader head = rjob_trace();
    InstrumentResponse instr;
    int ierr = -1;
    fetch_response(example_file(dir, "response"), head, instr, ierr);
    ASSERT_EQ(ierr, 0);
    EXPECT_EQ(instr.unit_code, 1);
    EXPECT_EQ(instr.nz, 2);
    EXPECT_EQ(instr.np, 5);
    EXPECT_FLOAT_EQ(head.dip, -90.0f);
    EXPECT_FLOAT_EQ(head.azi, 0.0f);
    // A0 times the sensor's and the digitiser's gains.
    EXPECT_NEAR(instr.gs / (6.0077e7 * 1500.0 * 1677850.0), 1.0, 1e-4);
    auto amplitude = [&](double f) {
        cfloat value{};
        float w = static_cast<float>(2.0 * std::numbers::pi * f);
        response(instr, value, w, kAsStored);
        return std::abs(std::complex<double>(value.real(), value.imag()));
    };
    EXPECT_NEAR(amplitude(0.02) / 2.5168e9, 1.0, 1e-3); // the sensitivity in the passband
    EXPECT_NEAR(amplitude(1.0) / 2.55e9, 1.0, 2e-3);    // |H| at 1 Hz as the page gives it
}

TEST(FileManualExamples, PickFile) {
    TempDir dir;
    const TraceHeader head = rjob_trace();
    std::array<PickRecord, kMaxPicks> picks{};
    int ipick = 0, ierr = -1;
    fetch_pick(example_file(dir, "pick"), head, picks, ipick, ierr);
    ASSERT_EQ(ierr, 0);
    ASSERT_EQ(ipick, 1);
    EXPECT_EQ(picks[0].pid.trimmed(), "P");
    EXPECT_EQ(picks[0].qual, 'I');
    EXPECT_EQ(picks[0].fmotion, 'D');
    EXPECT_EQ(picks[0].num, 1);
    EXPECT_EQ(picks[0].pdate, at(2009, 236, 0, 20, 7, 710000));
}

} // namespace
} // namespace tw
