#pragma once
// Assembles the trace of one data file: the samples of its records in order, as long as each
// record continues the first (same channel, no time slew beyond half a sample), and the
// identity and timing of the trace in the trace header. Then the clip test.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "records/records.hpp"
#include "records/status.hpp"
#include "seed/seed_file.hpp"
#include "time/int_time.hpp"

namespace tw {

// The most samples the driver lets a trace hold.
inline constexpr int kTraceSamples = 32767;

// Begin time of the current record minus the time expected after `nsamples` samples from the
// first record's begin time, in microseconds: positive for a gap, negative for an overlap.
double tslew(const int_time& first_begin, const int_time& begin, int nsamples, int rate_factor,
             int rate_mult);

// Reads the records of `file` into idata (at most `maximum` samples) and fills the identity
// and timing members of `head`, the sample rate from the first record's rate factor and
// multiplier; `ierr` takes the status: 0; 997 when a record of another channel ended the trace,
// 998 when a record's time slewed; 999 when the file could not be read or its first record gives
// no sample rate (a factor or multiplier of 0); 1000 when it could not be opened. Messages go to
// `messages`. A process-ending condition of the record layer ends the process.
void sdr_read(std::string_view file, int maximum, std::span<int32_t> idata, TraceHeader& head,
              int& ierr, MessageSink& messages);

// The same from an already open file; `name` appears in the messages, which go to the file's
// sink. Process-ending conditions are thrown as SeedFatal instead.
void assemble_trace(SeedFile& file, std::string_view name, int maximum, std::span<int32_t> idata,
                    TraceHeader& head, int& ierr);

// Clip level of a channel by its instrument code (second letter): 0.85 x 2^23 for "H", an
// eighth of that for "L". Other instrument codes have no known range: nothing, and no clip test.
std::optional<float> clip_level(std::string_view chan);

// ierr = 999 when the largest absolute value among the first npts samples exceeds the clip
// level of the channel, else 0.
void check_clip(std::string_view chan, int npts, std::span<const int32_t> idata, int& ierr);

} // namespace tw
