#pragma once
// Instants of station documents (UTC, microseconds since 1970-01-01) and the minute-resolution
// dates of validity periods in the station files. Leap seconds play no part at minute resolution.
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tw::meta {

struct Instant {
    int64_t usec = 0;
    auto operator<=>(const Instant&) const = default;
};

// A validity limit as the station files write it.
struct MinuteDate {
    int year = 0, doy = 0, hour = 0, minute = 0;
    bool operator==(const MinuteDate&) const = default;
};

// The instant of a calendar time; nothing for a year outside 1 to 9999 or a field out of range.
std::optional<Instant> instant_of(int year, int month, int day, int hour, int minute,
                                  double second);
std::optional<Instant> instant_of_doy(int year, int doy, int hour, int minute, double second);

// StationXML dates: YYYY-MM-DD, optionally followed by Thh:mm[:ss[.fraction]] and a zone
// (Z or +hh:mm / -hh:mm, turned into UTC). Surrounding blanks are ignored.
std::optional<Instant> parse_iso_time(std::string_view text);

// RESP dates: YYYY,DDD[,hh[:mm[:ss[.fraction]]]].
std::optional<Instant> parse_resp_time(std::string_view text);

// The minute that holds the instant, and the first minute not before it.
MinuteDate floor_minute(Instant t);
MinuteDate ceil_minute(Instant t);

// The year of an instant.
int year_of(Instant t);

// 2007-12-17T00:00:00 (seconds with a fraction only when there is one), for messages.
std::string iso_text(Instant t);

} // namespace tw::meta
