#include "seed/seed_fatal.hpp"

#include <cstdio>
#include <cstdlib>

namespace tw {

std::string SeedFatal::message() const {
    switch (kind_) {
    case SeedFatalKind::header_wordorder:
        return "Error: Unable to determine wordorder from time\n";
    case SeedFatalKind::zero_blockette_offset:
        return "Error: zero offset to next blockette\n";
    case SeedFatalKind::unknown_format:
        return "Error: Currently unable to read format " + std::to_string(encoding_byte()) +
               " for " + station_ + "." + network_ + "." + channel_ + "\n";
    case SeedFatalKind::alloc_data_hdr:
        return "Error: unable to allocate data_hdr for output\n";
    case SeedFatalKind::alloc_node:
        return "Error: unable to malloc BS\n";
    case SeedFatalKind::alloc_blockette:
        return "Error: unable to malloc blockette\n";
    case SeedFatalKind::alloc_buffer:
        return "Error: Unable to allocate buffer in read_ms_hdr\n";
    case SeedFatalKind::alloc_diff:
        return "Error: unable to malloc diff buffer in ms_read\n";
    }
    return "Error: unknown record-layer condition\n";
}

void end_process(const SeedFatal& fatal, MessageSink& messages) {
    // Standard output said so far goes out ahead of the message, as it did before it.
    std::fflush(stdout);
    messages.error(fatal.message());
    std::fflush(stderr);
    std::exit(fatal.exit_status());
}

} // namespace tw
