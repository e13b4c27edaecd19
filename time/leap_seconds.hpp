#pragma once
// The process-wide leap-second table. It is read once from the file named by the
// environment variable LEAPSECONDS (else the compiled-in default) the first time any
// time conversion needs it, and keeps its contents for the life of the process.
#include "time/int_time.hpp"

#include <array>
#include <cstddef>
#include <istream>
#include <span>
#include <string>
#include <string_view>

namespace tw {

struct LeapSecond {
    ext_time calendar;  // as written in the file, usec 0
    int_time internal;  // the same instant as an internal time
    int correction = 0; // +1 inserted second, -1 removed second
};

enum class LeapLoadStatus {
    ok,
    file_missing,    // the path cannot be opened
    file_unreadable, // it opens but cannot be read (a folder, a read error)
    invalid_line,
    invalid_correction,
    too_many_entries
};

// A file that is missing or unreadable leaves the table empty after a warning; the other
// problems end a lazy load.
inline bool leap_file_absent(LeapLoadStatus status) {
    return status == LeapLoadStatus::file_missing || status == LeapLoadStatus::file_unreadable;
}

struct LeapLoadResult {
    LeapLoadStatus status = LeapLoadStatus::ok;
    int line = 0; // line number of the offending line, counting every line read
};

class LeapSecondTable {
  public:
    static constexpr std::size_t capacity = 50;
    static constexpr std::size_t max_line = 254; // of a longer line, the rest is dropped

    static LeapSecondTable& instance();

    bool loaded() const { return loaded_; }
    std::span<const LeapSecond> entries() const { return {entries_.data(), count_}; }

    // Each loader empties the table, marks it loaded (so it is never retried) and
    // fills it; on a problem it stops and reports it, keeping the entries read so far.
    // Nothing is printed here: init_leap_second_table decides what a problem means.
    LeapLoadResult load_file(const std::string& path);
    LeapLoadResult load_stream(std::istream& in);
    LeapLoadResult load_text(std::string_view text);

    // Back to the start-up state: empty and not loaded.
    void reset();

  private:
    LeapSecondTable() = default;
    void start_loading();
    LeapLoadResult add_line(const std::string& line, int line_no);

    bool loaded_ = false;
    std::size_t count_ = 0;
    std::array<LeapSecond, capacity> entries_{};
};

// The file the table is loaded from: $LEAPSECONDS, else the compiled-in default.
std::string leap_seconds_path();

// The stderr line for a load problem ("Warning: ..." or "Error: ..."), empty for ok.
std::string leap_load_message(const LeapLoadResult& result, const std::string& path);

// Loads the table once. A missing or unreadable file leaves it empty after a warning; a
// malformed file ends the process with status 1 after its message.
void init_leap_second_table();

// The entry whose internal instant has the same year and second, or nullptr.
const LeapSecond* is_leap_second(const int_time& it);

} // namespace tw
