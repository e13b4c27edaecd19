#pragma once
// Fortran-style fixed-width numeric input: columns of a line, implied decimals, scale factor.
#include <optional>
#include <string>
#include <string_view>

#include "text/columns.hpp"

namespace tw {

// Columns first..last (1-based, inclusive) of a line; a short line is padded with blanks.
std::string column(std::string_view line, int first, int last);
// The columns of a field, and the same with the blanks around it taken off.
std::string column(std::string_view line, const Column& c);
std::string field_text(std::string_view line, const Column& c);

// Reads a real field. Blanks are ignored and an all-blank field reads 0. Without a decimal
// point the digits carry `decimals` implied decimals; an explicit point overrides them. Without
// an exponent the value is divided by 10^scale (a scale factor of 1 for the 1P edit); with one it
// is taken as written. Returns nothing for a field that is no number.
std::optional<float> read_real(std::string_view field, int decimals = 0, int scale = 0);
std::optional<double> read_double(std::string_view field, int decimals = 0, int scale = 0);

// Reads an integer field; blanks are ignored, an all-blank field reads 0.
std::optional<int> read_int(std::string_view field);

} // namespace tw
