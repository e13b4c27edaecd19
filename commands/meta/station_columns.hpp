#pragma once
// The number fields of the station files as tesk_meta writes them, through the text module's
// fixed-column formats, and the values the readers will take from them.
#include <string>
#include <string_view>

namespace tw::meta {

// A pole or zero part: 14 columns, exponent form with 6 digits.
std::string pole_text(double value);
// The gain constant of the count line: 15 columns, exponent form with 8 digits.
std::string gain_text(double value);
// The sensitivity: 12 columns, exponent form with 5 digits (taken as written on reading).
std::string sensitivity_text(double value);

// The value a reader takes from one of the texts above.
double as_written(const std::string& text);

// A real in `width` columns with as many decimals as fit, at most `max_decimals`; the explicit
// decimal point overrides the field's implied decimals on reading.
std::string fitted_f(double value, int width, int max_decimals);

// Columns 1-4 of an entry: the first 4 characters of the station code, left-justified; a blank
// fourth column is written as an underscore.
std::string station_key_text(std::string_view station);

} // namespace tw::meta
