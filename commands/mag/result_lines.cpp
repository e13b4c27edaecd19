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

std::optional<int> whole(std::string_view text) {
    if (strip_blanks(text).empty()) return std::nullopt;
    return read_int(text);
}

void set_time(ResultLine& row, std::string_view line, const DateColumns& c, const char* meaning) {
    row[Col::time_utc] = iso_time_from_fields(column(line, c.year), column(line, c.doy),
                                              column(line, c.hour), column(line, c.minute),
                                              column(line, c.second), column(line, c.tenth_ms));
    if (!row[Col::time_utc].empty()) row[Col::time_of] = meaning;
}

// " STAHHZ WAS 12.345 0.812 5321 1.182": station and channel run together, then free numbers.
std::optional<ResultLine> parse_wood(std::string_view line) {
    const std::string_view label = wood_line_layout::kLabel;
    const std::size_t at = line.find(label);
    if (at == std::string_view::npos || at < 4 || line[0] != ' ') return std::nullopt;
    const std::string_view codes = line.substr(1, at - 1);
    ResultLine row;
    row[Col::measurement] = std::string(strip_blanks(label));
    row[Col::channel] = std::string(strip_blanks(codes.substr(codes.size() - 3)));
    row[Col::station] = std::string(strip_blanks(codes.substr(0, codes.size() - 3)));
    std::array<std::string, 4> numbers;
    std::size_t n = 0;
    std::string_view rest = line.substr(at + label.size());
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
    row[Col::unit] = std::string("mm");
    row[Col::period_s] = numbers[1];
    row[Col::sample_offset] = numbers[2];
    row[Col::log10_amp_per_period] = numbers[3];
    return row;
}

// Columns 1-53 of the ground and shake lines.
bool parse_ground_start(std::string_view line, ResultLine& row) {
    namespace g = ground_start_layout;
    row[Col::station] = field_text(line, g::kStation);
    row[Col::channel] = field_text(line, g::kChannel);
    row[Col::network] = field_text(line, g::kNetwork);
    row[Col::measurement] = field_text(line, g::kKind);
    row[Col::azimuth_deg] = field_text(line, g::kAzimuth);
    row[Col::dip_deg] = field_text(line, g::kDip);
    set_time(row, line, g::kDate, "peak");
    return !row[Col::station].empty();
}

std::optional<ResultLine> parse_ground(std::string_view line) {
    namespace g = ground_line_layout;
    ResultLine row;
    if (line.size() < static_cast<std::size_t>(g::kWidth) || !parse_ground_start(line, row))
        return std::nullopt;
    const std::string& kind = row[Col::measurement];
    if (kind == g::kKinds[0])
        row[Col::unit] = std::string("mm/s2");
    else if (kind == g::kKinds[1])
        row[Col::unit] = std::string("mm/s");
    else if (kind == g::kKinds[2])
        row[Col::unit] = std::string("mm");
    else
        return std::nullopt;
    row[Col::value] = field_text(line, g::kAmplitude);
    row[Col::frequency_hz] = field_text(line, g::kFrequency);
    row[Col::latitude_deg] = field_text(line, g::kLatitude);
    row[Col::longitude_deg] = field_text(line, g::kLongitude);
    row[Col::distance_km] = field_text(line, g::kDistance);
    row[Col::distance_of] = std::string("hypocentral");
    return row;
}

std::optional<ResultLine> parse_shake(std::string_view line) {
    namespace g = shake_line_layout;
    ResultLine row;
    if (line.size() < static_cast<std::size_t>(g::kWidth) || !parse_ground_start(line, row) ||
        row[Col::measurement] != g::kKind)
        return std::nullopt;
    row[Col::time_of] = std::string(row[Col::time_utc].empty() ? "" : "displacement peak");
    row[Col::unit] = std::string("s");
    const std::array<Col, 4> durations = {Col::above_005g_s, Col::above_010g_s, Col::above_020g_s,
                                          Col::above_050g_s};
    for (std::size_t k = 0; k < durations.size(); ++k)
        row[durations[k]] = field_text(line, g::kDurations[k]);
    row[Col::latitude_deg] = field_text(line, g::kLatitude);
    row[Col::longitude_deg] = field_text(line, g::kLongitude);
    row[Col::distance_km] = field_text(line, g::kDistance);
    row[Col::distance_of] = std::string("hypocentral");
    return row;
}

// Columns 1-34 of the EMAG and RAMP lines: identity, label, magnitude and distance.
bool parse_group_start(std::string_view line, std::string_view label, ResultLine& row) {
    namespace g = group_start_layout;
    row[Col::station] = field_text(line, g::kStation);
    row[Col::channel] = field_text(line, g::kBand);
    row[Col::network] = field_text(line, g::kNetwork);
    row[Col::measurement] = field_text(line, g::kLabel);
    row[Col::value] = field_text(line, g::kMagnitude);
    row[Col::unit] = std::string("magnitude");
    row[Col::distance_km] = field_text(line, g::kDistance);
    return !row[Col::station].empty() && row[Col::measurement] == label;
}

std::optional<ResultLine> parse_energy(std::string_view line) {
    namespace g = energy_line_layout;
    ResultLine row;
    if (line.size() < static_cast<std::size_t>(g::kWidth) ||
        !parse_group_start(line, g::kLabel, row))
        return std::nullopt;
    row[Col::distance_of] = std::string("sqrt(epicentral^2+8^2)");
    row[Col::energy_erg] = field_text(line, g::kEnergy);
    row[Col::velocity2_integral_cm2_s] = field_text(line, g::kIntegral);
    return row;
}

std::optional<ResultLine> parse_ramp(std::string_view line) {
    namespace g = ramp_line_layout;
    ResultLine row;
    if (line.size() < static_cast<std::size_t>(g::kWidth) ||
        !parse_group_start(line, g::kLabel, row))
        return std::nullopt;
    row[Col::distance_of] = std::string("epicentral");
    set_time(row, line, g::kDate, "trace start");
    const std::array<Col, 4> windows = {Col::window_start_s, Col::window_end_s, Col::window_step_s,
                                        Col::window_used_s};
    for (std::size_t k = 0; k < windows.size(); ++k)
        row[windows[k]] = field_text(line, g::kWindows[k]);
    row[Col::mw_error] = field_text(line, g::kMagnitudeError);
    row[Col::moment_dyn_cm] = field_text(line, g::kMoment);
    row[Col::moment_error_dyn_cm] = field_text(line, g::kMomentError);
    row[Col::chi2] = field_text(line, g::kChi);
    row[Col::explained_pct] = field_text(line, g::kExplained);
    row[Col::g0] = field_text(line, g::kG0);
    row[Col::g1] = field_text(line, g::kG1);
    row[Col::g2] = field_text(line, g::kG2);
    row[Col::g2_error] = field_text(line, g::kG2Error);
    row[Col::clipping] = field_text(line, g::kClipping);
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
    if (file == kWoodFile)
        row = parse_wood(line);
    else if (file == kGroundFile)
        row = parse_ground(line);
    else if (file == kShakeFile)
        row = parse_shake(line);
    else if (file == kEnergyFile)
        row = parse_energy(line);
    else if (file == kRampFile)
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
