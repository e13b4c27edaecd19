#pragma once
// Date-and-time text, as given for an event origin time, to an internal time.
// Accepted: year S doy [S hh[:mm[:ss[.ffffff]]]] and year S month S day [S hh[:mm[:ss[.ffffff]]]],
// S being one of '/', '.' or ','.
#include "time/int_time.hpp"

#include <optional>
#include <string_view>

namespace tw {

// The instant, or nothing when the text fits neither form or a field is out of range.
// Years 1 to 99 mean 1901 to 1999; a year outside kFirstYear to kLastYear is refused.
std::optional<int_time> parse_date(std::string_view text);

// Looks at the first 39 characters of a fixed-length text, ignoring trailing blanks.
// 1 on success with out written, 0 on failure with out untouched.
int f_parse_date(int_time& out, std::string_view text);

// ISO 8601 in UTC, extended format: a calendar date YYYY-MM-DD or an ordinal date YYYY-DDD,
// optionally followed by "T" and hh[:mm[:ss[.f]]] (1 to 6 fraction digits, "." or ","), and an
// optional trailing "Z". Other offsets than Z are refused; second 60 admits a leap second. A year
// outside kFirstYear to kLastYear is refused.
std::optional<int_time> parse_iso_date(std::string_view text);

// An event origin time as the command line takes it: the forms of f_parse_date first (so every
// text they accept keeps its meaning), else ISO 8601. Trailing blanks are ignored.
std::optional<int_time> parse_origin_time(std::string_view text);

} // namespace tw
