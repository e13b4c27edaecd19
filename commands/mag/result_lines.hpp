#pragma once
// The result lines of one run (wood.wave, ground.wave, shake.wave, energy.wave, ramp.wave) as
// rows of one table: every field keeps its text as written, blanks stripped.
#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/result_layouts.hpp"

namespace tw::mag {

// The columns of the table, in output order. Names carry their units.
enum class Col : std::size_t {
    file,
    line,
    station,
    network,
    channel,
    measurement,
    value,
    unit,
    period_s,
    frequency_hz,
    time_utc,
    time_of,
    azimuth_deg,
    dip_deg,
    latitude_deg,
    longitude_deg,
    distance_km,
    distance_of,
    hypocentral_distance_km,
    sample_offset,
    log10_amp_per_period,
    above_005g_s,
    above_010g_s,
    above_020g_s,
    above_050g_s,
    energy_erg,
    velocity2_integral_cm2_s,
    window_start_s,
    window_end_s,
    window_step_s,
    window_used_s,
    mw_error,
    moment_dyn_cm,
    moment_error_dyn_cm,
    chi2,
    explained_pct,
    g0,
    g1,
    g2,
    g2_error,
    clipping,
    count
};
inline constexpr std::size_t kColumnCount = static_cast<std::size_t>(Col::count);

// Column names as the header of the CSV table and the keys of the JSON rows.
extern const std::array<std::string_view, kColumnCount> kColumnNames;

// Columns holding numbers (JSON writes them as numbers, not strings).
bool is_numeric(Col c);

// One result line: the text of each field, empty where the line has no such field.
struct ResultLine {
    std::array<std::string, kColumnCount> cells;

    const std::string& operator[](Col c) const { return cells[static_cast<std::size_t>(c)]; }
    std::string& operator[](Col c) { return cells[static_cast<std::size_t>(c)]; }
    // The field as a number; nothing when empty or no number (asterisks of an overflow).
    std::optional<double> number(Col c) const;
};

// The five result files are read in the order of kResultFiles (text/result_layouts), the order
// their lines appear in the table.

struct RunResults {
    std::vector<ResultLine> lines;
    std::array<int, kResultFiles.size()> lines_per_file{}; // result lines read from each file
    std::array<bool, kResultFiles.size()> file_found{};
    std::vector<std::string> problems; // lines that fit no layout, files that cannot be read
};

// Reads the result files found in `dir`; header lines ("#...") and blank lines are skipped.
RunResults read_run(const std::filesystem::path& dir);

// One line of a result file as a row; nothing when it fits no layout of that file.
std::optional<ResultLine> parse_result_line(std::string_view file, std::string_view line);

// ISO 8601 text of a date written as year, day of year, hour, minute, second and units of
// 100 microseconds ("2024-03-15T12:30:10.1199Z"); empty when a field is no valid number.
std::string iso_time_from_fields(std::string_view year, std::string_view doy, std::string_view hour,
                                 std::string_view minute, std::string_view second,
                                 std::string_view tenth_ms);

} // namespace tw::mag
