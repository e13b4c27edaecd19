#include "seed/trace_assembly.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "dsp/vector_clones.hpp"
#include "seed/data_hdr.hpp"
#include "seed/fixed_header.hpp"
#include "seed/record_reader.hpp"
#include "seed/seed_fatal.hpp"
#include "text/fixed_text.hpp"
#include "text/format.hpp"

namespace tw {

namespace {

// A message and the file name up to its last non-blank.
void say(MessageSink& messages, std::string_view text, std::string_view name) {
    messages.line(FreeLine(text) << name.substr(0, static_cast<std::size_t>(klen(name))));
}

// Duration of n samples at a SEED rate, in microseconds.
double interval_usec(int n, int rate_factor, int rate_mult) {
    int seconds = 0, usecs = 0;
    f_time_interval2(n, rate_factor, rate_mult, seconds, usecs);
    return static_cast<double>(seconds) * 1000000.0 + usecs;
}

// The next record and its samples, as f_read_ms reads them. A fault of the file's own records
// that the record layer cannot read past is said on the file's error stream and makes the record
// bad (-2), so that the file is skipped and the run goes on; exhausted memory still ends it.
int read_record(data_hdr& hdr, std::span<int32_t> samples, int maximum, SeedFile& file) {
    try {
        return f_read_ms(hdr, samples, maximum, file);
    } catch (const SeedFatal& fatal) {
        if (!fatal.of_the_file()) throw;
        file.messages().error(fatal.message());
        return -2;
    }
}

template <std::size_t N> std::string_view full(const std::array<char, N>& code) {
    return {code.data(), N};
}

bool same_channel(const data_hdr& a, const data_hdr& b) {
    return a.station == b.station && a.network == b.network && a.channel == b.channel;
}

using Lanes = int32_t __attribute__((vector_size(32)));
constexpr std::size_t kLanes = 8;

// The smallest and the largest of the samples and 0, eight lanes at a time.
TW_VECTOR_CLONES
std::pair<int32_t, int32_t> sample_range(std::span<const int32_t> samples) {
    Lanes low{}, high{};
    std::size_t i = 0;
    for (; i + kLanes <= samples.size(); i += kLanes) {
        Lanes v;
        std::memcpy(&v, samples.data() + i, sizeof v);
        low = v < low ? v : low;
        high = v > high ? v : high;
    }
    int32_t smallest = 0, largest = 0;
    for (std::size_t k = 0; k < kLanes; ++k) {
        smallest = std::min(smallest, low[k]);
        largest = std::max(largest, high[k]);
    }
    for (; i < samples.size(); ++i) {
        smallest = std::min(smallest, samples[i]);
        largest = std::max(largest, samples[i]);
    }
    return {smallest, largest};
}

} // namespace

double tslew(const int_time& first_begin, const int_time& begin, int nsamples, int rate_factor,
             int rate_mult) {
    int seconds = 0, usecs = 0;
    f_time_interval2(nsamples, rate_factor, rate_mult, seconds, usecs);
    int_time expected;
    f_add_time(first_begin, seconds, usecs, expected);
    return f_tdiff(begin, expected);
}

void assemble_trace(SeedFile& file, std::string_view name, int maximum, std::span<int32_t> idata,
                    TraceHeader& head, int& ierr) {
    ierr = status::kOk;
    maximum = std::clamp(maximum, 0, static_cast<int>(idata.size()));
    data_hdr hdr = new_data_hdr();
    data_hdr hdr1 = new_data_hdr();
    int nreq = maximum;
    int nread = 0;
    double slew = 0.0;

    int n = read_record(hdr, idata, nreq, file);
    if (n < 1) {
        say(file.messages(), "Error reading first block ", name);
        ifclose(file);
        ierr = status::kFailed;
        return;
    }
    // Every later stage times the samples by the first record's rate: a trace without one is none.
    const std::optional<double> rate = seed_sample_rate(hdr.rate_factor, hdr.rate_mult);
    if (!rate) {
        say(file.messages(),
            "No usable sample rate (factor " + std::to_string(hdr.rate_factor) + ", multiplier " +
                std::to_string(hdr.rate_mult) + ") in first block ",
            name);
        f_delete_blockette(hdr, -1);
        ifclose(file);
        ierr = status::kFailed;
        return;
    }
    f_copy_data_hdr(hdr1, hdr);
    const double thresh = 0.5 * interval_usec(1, hdr1.rate_factor, hdr1.rate_mult);

    while (n >= 1) {
        nread += n;
        nreq -= n;
        if (nreq <= 0) break; // the buffer is full; the rest of the file is not read
        f_delete_blockette(hdr, -1);
        n = read_record(hdr, idata.subspan(static_cast<std::size_t>(nread)), nreq, file);
        if (n < 1) continue;
        if (!same_channel(hdr, hdr1)) {
            say(file.messages(), "Data block for wrong channel ", name);
            ierr = status::kMismatch;
            break;
        }
        slew = tslew(hdr1.begin_time, hdr.begin_time, nread, hdr.rate_factor, hdr.rate_mult);
        if (std::abs(slew) > thresh) {
            say(file.messages(), "Unacceptable time slew ", name);
            file.messages().line(FixedLine()
                                     .text("Time error after ")
                                     .i(nread, 12)
                                     .text(" points -- slew ")
                                     .f(slew, 6, 0)
                                     .text(" gt")
                                     .f(thresh, 4, 0));
            ierr = status::kOutOfRange;
            break;
        }
    }
    if (n < -1) {
        say(file.messages(), "Error reading file", name);
        ierr = status::kFailed;
    }

    int seconds = 0, usecs = 0;
    f_time_interval2(nread, hdr.rate_factor, hdr.rate_mult, seconds, usecs);
    int_time endtime;
    f_add_time(hdr1.begin_time, seconds, usecs, endtime);

    head.stat.assign(full(hdr1.station));
    head.chan.assign(full(hdr1.channel));
    head.network.assign(full(hdr1.network));
    head.stime = hdr1.begin_time;
    head.endtime = endtime;
    head.npts = nread;
    head.sample_rate = *rate;
    head.slew = slew;
    head.thresh = thresh;

    f_delete_blockette(hdr, -1);
    f_delete_blockette(hdr1, -1);
    ifclose(file);
}

void sdr_read(std::string_view file, int maximum, std::span<int32_t> idata, TraceHeader& head,
              int& ierr, MessageSink& messages) {
    try {
        SeedFile data = ifopen(file, "r", messages);
        if (!data.is_open()) {
            say(messages, "Error opening file", file);
            ierr = status::kCannotOpen;
            return;
        }
        assemble_trace(data, file, maximum, idata, head, ierr);
    } catch (const SeedFatal& fatal) {
        end_process(fatal, messages);
    }
}

std::optional<float> clip_level(std::string_view chan) {
    const float full_scale = 0.85f * 8388608.0f;
    const char instrument = chan.size() > 1 ? chan[1] : ' ';
    if (instrument == 'H') return full_scale;
    if (instrument == 'L') return full_scale / 8.0f;
    return std::nullopt; // no known digitiser range: no clip test
}

void check_clip(std::string_view chan, int npts, std::span<const int32_t> idata, int& ierr) {
    const auto n = std::min(static_cast<std::size_t>(std::max(npts, 0)), idata.size());
    const auto level = clip_level(chan);
    if (!level) {
        ierr = status::kOk;
        return;
    }
    // The largest absolute value is that of the smallest or of the largest sample.
    const auto [smallest, largest] = sample_range(idata.first(n));
    const long long magnitude = std::max(std::llabs(smallest), std::llabs(largest));
    ierr = static_cast<float>(magnitude) > *level ? status::kFailed : status::kOk;
}

} // namespace tw
