#pragma once
// The statuses the stages return and the driver prints after its messages. One set of numbers for
// every stage; each stage's header says what a number means there.
namespace tw::status {

inline constexpr int kOk = 0;
// Something read on the way does not fit: a record of another channel ended the trace; an entry
// before the matching one has an invalid begin day.
inline constexpr int kMismatch = 997;
// Something lies out of its range: a record's time slews beyond half a sample; an entry's end day
// is invalid; the window or the earliest arrival begins before the data.
inline constexpr int kOutOfRange = 998;
// The stage failed: nothing found, the file malformed or unreadable, the data clipped, the data
// end before the window or the latest arrival, an estimate refused.
inline constexpr int kFailed = 999;
// The file cannot be opened.
inline constexpr int kCannotOpen = 1000;

} // namespace tw::status
