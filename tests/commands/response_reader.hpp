#pragma once
// Reads the response entries of a response file by its column layout, for the tests.
#include <complex>
#include <sstream>
#include <string>
#include <vector>

#include "text/fields.hpp"

namespace tw::test {

struct ResponseEntry {
    std::string station; // columns 1-4
    std::string label;   // columns 5-8
    std::string channel; // columns 70-72
    std::string unit;    // columns 55-63
    int start_year = 0, start_day = 0, end_year = 0, end_day = 0;
    float azimuth = 0, dip = 0;
    double gain = 0;
    std::vector<std::complex<double>> zeros, poles;
    int lines = 0; // lines the entry occupies

    std::complex<double> at(double omega) const {
        const std::complex<double> s(0.0, omega);
        std::complex<double> r(gain, 0.0);
        for (const auto& z : zeros)
            r *= s - z;
        for (const auto& p : poles)
            r /= s - p;
        return r;
    }
};

// Entries in file order; stops at the first line that is no header.
inline std::vector<ResponseEntry> read_responses(const std::vector<std::string>& lines) {
    std::vector<ResponseEntry> out;
    std::size_t i = 0;
    while (i + 1 < lines.size()) {
        const std::string& h = lines[i];
        ResponseEntry e;
        e.station = column(h, 1, 4);
        e.label = column(h, 5, 8);
        e.channel = column(h, 70, 72);
        e.unit = column(h, 55, 63);
        e.start_year = read_int(column(h, 10, 13)).value_or(-1);
        e.start_day = read_int(column(h, 15, 17)).value_or(-1);
        e.end_year = read_int(column(h, 25, 28)).value_or(-1);
        e.end_day = read_int(column(h, 30, 32)).value_or(-1);
        e.azimuth = read_real(column(h, 38, 45), 2).value_or(-999.0f);
        e.dip = read_real(column(h, 46, 53), 2).value_or(-999.0f);
        std::istringstream count(lines[i + 1]);
        int nz = -1, np = -1;
        count >> e.gain >> nz >> np;
        if (!count || nz < 0 || np < 0) break;
        const std::size_t pole_lines = static_cast<std::size_t>((np + 1) / 2);
        if (i + 2 + static_cast<std::size_t>(nz) + pole_lines > lines.size()) break;
        for (int z = 0; z < nz; ++z) {
            const std::string& l = lines[i + 2 + static_cast<std::size_t>(z)];
            e.zeros.emplace_back(read_real(column(l, 2, 15), 6).value_or(1e30f),
                                 read_real(column(l, 16, 29), 6).value_or(1e30f));
        }
        for (int p = 0; p < np; ++p) {
            const std::string& l =
                lines[i + 2 + static_cast<std::size_t>(nz) + static_cast<std::size_t>(p / 2)];
            const int first = (p % 2 == 0) ? 1 : 29;
            e.poles.emplace_back(read_real(column(l, first, first + 13), 6).value_or(1e30f),
                                 read_real(column(l, first + 14, first + 27), 6).value_or(1e30f));
        }
        e.lines = 2 + nz + static_cast<int>(pole_lines);
        i += static_cast<std::size_t>(e.lines);
        out.push_back(e);
    }
    return out;
}

} // namespace tw::test
