#pragma once
// Pick file: two header lines, then one phase pick per free-format line.
#include <array>
#include <string>

#include "records/records.hpp"
#include "text/messages.hpp"

namespace tw {

// Collects, in file order, the picks whose station token (cut to 4 characters) equals the
// first 4 characters of head.stat. ierr is 0 when at least one pick was found, 999 otherwise
// (1000 when the file cannot be opened); ipick is the number of picks stored. Picks beyond
// the capacity of `picks` are ignored with one message to `messages`; a pick whose time lies
// outside the years kFirstYear to kLastYear is ignored with a message of its own.
void fetch_pick(const std::string& path, const TraceHeader& head,
                std::array<PickRecord, kMaxPicks>& picks, int& ipick, int& ierr,
                MessageSink& messages);

} // namespace tw
