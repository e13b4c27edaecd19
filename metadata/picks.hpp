#pragma once
// Pick file: two header lines, then one phase pick per free-format line.
#include <array>
#include <cstddef>
#include <span>
#include <string>

#include "metadata/line_reader.hpp"
#include "records/records.hpp"
#include "text/messages.hpp"

namespace tw {

// One line of the file as a lookup reads it: the text its tokens are taken from (at most 256
// characters, up to the last non-blank, colons of the times read as blanks; the rest of a
// longer line is ignored, as for any line that decodes only in part) and its first token.
struct PickLine {
    std::string text;
    std::string station;   // the first token, cut or blank-padded to 4 characters
    int after_station = 0; // where the token scan goes on after it
};
bool read_entry(LineReader& file, PickLine& line);
inline bool ends_every_scan(const PickLine&) {
    return false;
}
inline std::size_t kept_bytes(const PickLine& line) {
    return sizeof(PickLine) + line.text.capacity() + line.station.capacity();
}

// Collects, in file order, the picks whose station token (cut to 4 characters) equals the
// first 4 characters of head.stat. ierr is 0 when at least one pick was found, 999 otherwise
// (1000 when the file cannot be opened or is no regular file); ipick is the number of picks
// stored. Picks beyond the capacity of `picks` are ignored with one message to `messages`; a
// pick whose time lies outside the years kFirstYear to kLastYear is ignored with a message of
// its own.
void fetch_pick(const std::string& path, const TraceHeader& head,
                std::array<PickRecord, kMaxPicks>& picks, int& ipick, int& ierr,
                MessageSink& messages);
// The same lookup over the lines of the file kept in memory (see kept_entries.hpp).
void fetch_pick(std::span<const PickLine> kept, const TraceHeader& head,
                std::array<PickRecord, kMaxPicks>& picks, int& ipick, int& ierr,
                MessageSink& messages);

} // namespace tw
