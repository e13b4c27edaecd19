#pragma once
// Conditions under which the record layer cannot go on with a record. The decoders report them
// by throwing SeedFatal. A condition of the data file's own records (of_the_file) ends that file:
// trace assembly says the message and reports the record as bad, and the run goes on with the
// next file. Exhausted memory ends the process, through end_process, the single place that writes
// the message and exits.
#include <exception>
#include <string>

#include "text/messages.hpp"

namespace tw {

enum class SeedFatalKind {
    header_wordorder,      // the start-time year fits neither byte order
    zero_blockette_offset, // a blockette chain ends before the announced count
    unknown_format,        // an encoding the sample decoders do not handle
    alloc_data_hdr,        // memory exhausted while making a data header
    alloc_node,            // ... a blockette list node
    alloc_blockette,       // ... the bytes of a blockette
    alloc_buffer,          // ... the record buffer
    alloc_diff,            // ... the Steim difference array
};

class SeedFatal : public std::exception {
  public:
    explicit SeedFatal(SeedFatalKind kind) : kind_(kind) {}
    // An unknown encoding names the format and the channel.
    SeedFatal(int format, std::string station, std::string network, std::string channel)
        : kind_(SeedFatalKind::unknown_format), format_(format), station_(std::move(station)),
          network_(std::move(network)), channel_(std::move(channel)) {}

    SeedFatalKind kind() const { return kind_; }
    // True for a fault of the data file itself (header byte order, blockette chain, encoding):
    // the file is bad, the process is not.
    bool of_the_file() const {
        return kind_ == SeedFatalKind::header_wordorder ||
               kind_ == SeedFatalKind::zero_blockette_offset ||
               kind_ == SeedFatalKind::unknown_format;
    }
    // The error message, newline included.
    std::string message() const;
    // The process exit status for a condition that ends the process.
    int exit_status() const { return 1; }
    const char* what() const noexcept override { return "fatal SEED record condition"; }

  private:
    // The format as the record's encoding byte holds it, 0 to 255 (a format read as a signed
    // byte, -1 for 255, shows unsigned).
    int encoding_byte() const { return format_ < 0 && format_ >= -128 ? format_ + 256 : format_; }

    SeedFatalKind kind_;
    int format_ = 0;
    std::string station_, network_, channel_;
};

// Says the condition's message as an error and ends the process with its status.
[[noreturn]] void end_process(const SeedFatal& fatal, MessageSink& messages);

} // namespace tw
