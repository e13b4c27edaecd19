#include "commands/mag/result_lines.hpp"

#include <cstdio>
#include <fstream>

#include "text/fields.hpp"
#include "text/format.hpp"
#include "time/int_time.hpp"

namespace tw::mag {

const std::array<std::string_view, kColumnCount> kColumnNames = {
    "file",
    "line",
    "station",
    "network",
    "channel",
    "measurement",
    "value",
    "unit",
    "period_s",
    "frequency_hz",
    "time_utc",
    "time_of",
    "azimuth_deg",
    "dip_deg",
    "latitude_deg",
    "longitude_deg",
    "distance_km",
    "distance_of",
    "hypocentral_distance_km",
    "sample_offset",
    "log10_amp_per_period",
    "above_0.05g_s",
    "above_0.10g_s",
    "above_0.20g_s",
    "above_0.50g_s",
    "energy_erg",
    "velocity2_integral_cm2_s",
    "window_start_s",
    "window_end_s",
    "window_step_s",
    "window_used_s",
    "mw_error",
    "moment_dyn_cm",
    "moment_error_dyn_cm",
    "chi2",
    "explained_pct",
    "g0",
    "g1",
    "g2",
    "g2_error",
    "clipping",
};

bool is_numeric(Col c) {
    switch (c) {
    case Col::file:
    case Col::station:
    case Col::network:
    case Col::channel:
    case Col::measurement:
    case Col::unit:
    case Col::time_utc:
    case Col::time_of:
    case Col::distance_of:
    case Col::clipping:
        return false;
    default:
        return true;
    }
}

std::optional<double> ResultLine::number(Col c) const {
    const std::string& text = (*this)[c];
    if (text.empty()) return std::nullopt;
    return read_double(text);
}

namespace {

// Columns first..last of the line, blanks stripped.
std::string cut(std::string_view line, int first, int last) {
    return std::string(strip_blanks(column(line, first, last)));
}

std::optional<int> whole(std::string_view text) {
    if (strip_blanks(text).empty()) return std::nullopt;
    return read_int(text);
}

void set_time(ResultLine& row, std::string_view line, int year_col, const char* meaning) {
    // year, doy, hour, minute, second, 100 us: widths 4, 3, 2, 2, 2, 5 with single blanks between
    const int y = year_col;
    row[Col::time_utc] = iso_time_from_fields(
        column(line, y, y + 3), column(line, y + 5, y + 7), column(line, y + 9, y + 10),
        column(line, y + 12, y + 13), column(line, y + 15, y + 16), column(line, y + 18, y + 22));
    if (!row[Col::time_utc].empty()) row[Col::time_of] = meaning;
}

// " STAHHZ WAS 12.345 0.812 5321 1.182": station and channel run together, then free numbers.
std::optional<ResultLine> parse_wood(std::string_view line) {
    const std::size_t label = line.find(" WAS ");
    if (label == std::string_view::npos || label < 4 || line[0] != ' ') return std::nullopt;
    const std::string_view codes = line.substr(1, label - 1);
    ResultLine row;
    row[Col::measurement] = "WAS";
    row[Col::channel] = std::string(strip_blanks(codes.substr(codes.size() - 3)));
    row[Col::station] = std::string(strip_blanks(codes.substr(0, codes.size() - 3)));
    std::array<std::string, 4> numbers;
    std::size_t n = 0;
    std::string_view rest = line.substr(label + 5);
    while (!rest.empty()) {
        const std::size_t start = rest.find_first_not_of(' ');
        if (start == std::string_view::npos) break;
        rest.remove_prefix(start);
        const std::size_t end = std::min(rest.find(' '), rest.size());
        if (n == numbers.size()) return std::nullopt;
        numbers[n++] = std::string(rest.substr(0, end));
        rest.remove_prefix(end);
    }
    if (n != numbers.size() || row[Col::station].empty()) return std::nullopt;
    row[Col::value] = numbers[0];
    row[Col::unit] = "mm";
    row[Col::period_s] = numbers[1];
    row[Col::sample_offset] = numbers[2];
    row[Col::log10_amp_per_period] = numbers[3];
    return row;
}

// Columns 1-53 of the ground and shake lines; `label` the text of columns 16-19.
bool parse_ground_start(std::string_view line, ResultLine& row) {
    row[Col::station] = cut(line, 2, 5);
    row[Col::channel] = cut(line, 7, 9);
    row[Col::network] = cut(line, 11, 14);
    row[Col::measurement] = cut(line, 15, 19);
    row[Col::azimuth_deg] = cut(line, 20, 23);
    row[Col::dip_deg] = cut(line, 25, 28);
    set_time(row, line, 30, "peak");
    return !row[Col::station].empty();
}

std::optional<ResultLine> parse_ground(std::string_view line) {
    ResultLine row;
    if (line.size() < 106 || !parse_ground_start(line, row)) return std::nullopt;
    const std::string& kind = row[Col::measurement];
    if (kind == "PGA")
        row[Col::unit] = "mm/s2";
    else if (kind == "PGV")
        row[Col::unit] = "mm/s";
    else if (kind == "PGD")
        row[Col::unit] = "mm";
    else
        return std::nullopt;
    row[Col::value] = cut(line, 54, 65);
    row[Col::frequency_hz] = cut(line, 66, 77);
    row[Col::latitude_deg] = cut(line, 78, 84);
    row[Col::longitude_deg] = cut(line, 86, 93);
    row[Col::distance_km] = cut(line, 95, 106);
    row[Col::distance_of] = "hypocentral";
    return row;
}

std::optional<ResultLine> parse_shake(std::string_view line) {
    ResultLine row;
    if (line.size() < 110 || !parse_ground_start(line, row) || row[Col::measurement] != "SHAK")
        return std::nullopt;
    row[Col::time_of] = row[Col::time_utc].empty() ? "" : "displacement peak";
    row[Col::unit] = "s";
    row[Col::above_005g_s] = cut(line, 54, 60);
    row[Col::above_010g_s] = cut(line, 61, 67);
    row[Col::above_020g_s] = cut(line, 68, 74);
    row[Col::above_050g_s] = cut(line, 75, 81);
    row[Col::latitude_deg] = cut(line, 82, 88);
    row[Col::longitude_deg] = cut(line, 90, 97);
    row[Col::distance_km] = cut(line, 99, 110);
    row[Col::distance_of] = "hypocentral";
    return row;
}

// Columns 1-20 of the EMAG and RAMP lines.
bool parse_group_start(std::string_view line, std::string_view label, ResultLine& row) {
    row[Col::station] = cut(line, 2, 5);
    row[Col::channel] = cut(line, 7, 8);
    row[Col::network] = cut(line, 10, 13);
    row[Col::measurement] = cut(line, 15, 20);
    return !row[Col::station].empty() && row[Col::measurement] == label;
}

std::optional<ResultLine> parse_energy(std::string_view line) {
    ResultLine row;
    if (line.size() < 65 || !parse_group_start(line, "EMAG", row)) return std::nullopt;
    row[Col::value] = cut(line, 22, 26);
    row[Col::unit] = "magnitude";
    row[Col::distance_km] = cut(line, 28, 34);
    row[Col::distance_of] = "sqrt(epicentral^2+8^2)";
    row[Col::energy_erg] = cut(line, 36, 50);
    row[Col::velocity2_integral_cm2_s] = cut(line, 51, 65);
    return row;
}

std::optional<ResultLine> parse_ramp(std::string_view line) {
    ResultLine row;
    if (line.size() < 191 || !parse_group_start(line, "RAMP", row)) return std::nullopt;
    row[Col::value] = cut(line, 22, 26);
    row[Col::unit] = "magnitude";
    row[Col::distance_km] = cut(line, 28, 34);
    row[Col::distance_of] = "epicentral";
    set_time(row, line, 36, "trace start");
    row[Col::window_start_s] = cut(line, 60, 65);
    row[Col::window_end_s] = cut(line, 67, 72);
    row[Col::window_step_s] = cut(line, 74, 79);
    row[Col::window_used_s] = cut(line, 81, 86);
    row[Col::mw_error] = cut(line, 88, 91);
    row[Col::moment_dyn_cm] = cut(line, 93, 104);
    row[Col::moment_error_dyn_cm] = cut(line, 106, 117);
    row[Col::chi2] = cut(line, 119, 128);
    row[Col::explained_pct] = cut(line, 130, 139);
    row[Col::g0] = cut(line, 141, 152);
    row[Col::g1] = cut(line, 154, 165);
    row[Col::g2] = cut(line, 167, 178);
    row[Col::g2_error] = cut(line, 180, 191);
    row[Col::clipping] = cut(line, 192, 211);
    return row;
}

} // namespace

std::string iso_time_from_fields(std::string_view year, std::string_view doy, std::string_view hour,
                                 std::string_view minute, std::string_view second,
                                 std::string_view tenth_ms) {
    const auto y = whole(year), d = whole(doy), h = whole(hour), m = whole(minute),
               s = whole(second), f = whole(tenth_ms);
    if (!y || !d || !h || !m || !s || !f) return {};
    if (*y < 1 || *y > 9999 || *d < 1 || *d > 365 + (is_leap_year(*y) ? 1 : 0) || *h < 0 ||
        *h > 23 || *m < 0 || *m > 59 || *s < 0 || *s > 60 || *f < 0 || *f > 9999)
        return {};
    int month = 0, day = 0;
    dy_to_mdy(*d, *y, month, day);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%04dZ", *y, month, day, *h, *m,
                  *s, *f);
    return text;
}

std::optional<ResultLine> parse_result_line(std::string_view file, std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::optional<ResultLine> row;
    if (file == "wood.wave")
        row = parse_wood(line);
    else if (file == "ground.wave")
        row = parse_ground(line);
    else if (file == "shake.wave")
        row = parse_shake(line);
    else if (file == "energy.wave")
        row = parse_energy(line);
    else if (file == "ramp.wave")
        row = parse_ramp(line);
    if (row) (*row)[Col::file] = std::string(file);
    return row;
}

RunResults read_run(const std::filesystem::path& dir) {
    RunResults run;
    for (std::size_t f = 0; f < kResultFiles.size(); ++f) {
        const std::string name(kResultFiles[f]);
        const std::filesystem::path path = dir / name;
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) continue;
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            run.problems.push_back(name + ": cannot be read");
            continue;
        }
        run.file_found[f] = true;
        int number = 0;
        for (std::string line; std::getline(in, line);) {
            ++number;
            const std::string_view text = strip_blanks(line);
            if (text.empty() || text.front() == '#') continue;
            std::optional<ResultLine> row = parse_result_line(name, line);
            if (!row) {
                run.problems.push_back(name + " line " + std::to_string(number) +
                                       ": not a result line of this file, left out");
                continue;
            }
            (*row)[Col::line] = std::to_string(number);
            run.lines.push_back(std::move(*row));
            ++run.lines_per_file[f];
        }
    }
    return run;
}

} // namespace tw::mag
