#pragma once
// Every result line of a run as one table, one row per line: CSV with a header row, or JSON as
// an array of objects with the same names. Numbers keep their text as written; a field of
// asterisks (a value too wide for its column) is left empty (CSV) or null (JSON).
#include <optional>
#include <string>
#include <string_view>

#include "commands/mag/result_lines.hpp"

namespace tw::mag {

std::string tidy_csv(const RunResults& run);
std::string tidy_json(const RunResults& run);

// A CSV field, quoted when it holds a comma, a quote or a line end.
std::string csv_field(std::string_view text);
// A JSON string literal.
std::string json_string(std::string_view text);
// A written number as JSON number text (".5E+02" becomes "0.5E+02", "90." becomes "90.0");
// nothing when the text is no number.
std::optional<std::string> json_number(std::string_view text);

} // namespace tw::mag
