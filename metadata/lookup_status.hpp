#pragma once
// Statuses of the station-file lookups, as the driver prints them.

namespace tw::lookup {

inline constexpr int kOk = 0;
inline constexpr int kBadBeginDay = 997; // an entry read so far has an invalid begin day of year
inline constexpr int kBadEndDay = 998;   // an entry read so far has an invalid end day of year
inline constexpr int kFailed = 999;      // not found, or the file is malformed
inline constexpr int kCannotOpen = 1000;

} // namespace tw::lookup
