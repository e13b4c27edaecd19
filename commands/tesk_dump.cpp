// tesk_dump FILE...: the trace of each SEED data file, assembled exactly as tesk_wave does it,
// as one header line and one sample per line.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "commands/standard_options.hpp"
#include "records/records.hpp"
#include "seed/trace_assembly.hpp"
#include "text/messages.hpp"
#include "time/int_time.hpp"

namespace {

constexpr const char* kUsage =
    "usage: tesk_dump FILE...\n"
    "  For each SEED data file, assembles its trace as tesk_wave does (records of one\n"
    "  channel in sequence, at most 32767 samples) and prints\n"
    "    # STAT CHAN NET YYYY DDD HH:MM:SS.UUUUUU NPTS RATE IERR\n"
    "  then NPTS samples, one integer per line. The time is that of the first sample; RATE\n"
    "  is in samples per second (0.1 for one sample every 10 s); an empty code prints as\n"
    "  \"-\"; IERR is 0, 997 (stopped at a record of another channel) or 998 (stopped at a\n"
    "  time slew). A file that cannot be read prints its message on standard error (and\n"
    "  the header line with IERR 999 when records were read before the failure), no samples.\n"
    "  Exit status 0 when every file gave a usable trace, 1 otherwise.\n";

void print_usage() {
    std::fputs(kUsage, stdout);
}

std::string code_or_dash(std::string_view code) {
    return code.empty() ? std::string("-") : std::string(code);
}

// Samples per second: a whole number as its digits, a fraction in its shortest decimal form.
std::string rate_text(double rate) {
    if (rate == std::trunc(rate) && std::fabs(rate) < 1.0e15)
        return std::to_string(static_cast<long long>(rate));
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, rate);
    return ec == std::errc() ? std::string(buf, end) : std::string("?");
}

// The reader's messages go to standard error: standard output holds header lines and samples
// only, for the programs that read them.
class ErrorStreamMessages : public tw::MessageSink {
  public:
    void line(std::string_view text) override {
        std::fflush(stdout);
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fputc('\n', stderr);
    }
    void error(std::string_view text) override {
        std::fflush(stdout);
        std::fwrite(text.data(), 1, text.size(), stderr);
    }
};

// Dumps one file; true when its trace is usable.
bool dump(const char* name, std::vector<int32_t>& idata) {
    tw::TraceHeader head;
    int ierr = 0;
    ErrorStreamMessages messages;
    tw::sdr_read(name, tw::kTraceSamples, idata, head, ierr, messages);
    if (ierr == tw::status::kCannotOpen || head.npts < 1) return false;
    const tw::ext_time t = tw::int_to_ext(head.stime);
    std::printf("# %s %s %s %04d %03d %02d:%02d:%02d.%06d %d %s %d\n",
                code_or_dash(head.stat.trimmed()).c_str(),
                code_or_dash(head.chan.trimmed()).c_str(),
                code_or_dash(head.network.trimmed()).c_str(), t.year, t.doy, t.hour, t.minute,
                t.second, t.usec, head.npts, rate_text(head.sample_rate).c_str(), ierr);
    if (ierr == tw::status::kFailed) return false;
    for (int i = 0; i < head.npts; ++i)
        std::printf("%d\n", idata[static_cast<std::size_t>(i)]);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (auto status = tw::answer_help_or_version(argc, argv, "tesk_dump", print_usage))
        return *status;
    if (argc < 2) {
        std::fputs(kUsage, stdout);
        return 1;
    }
    std::vector<int32_t> idata(tw::kMaxSamples);
    bool all_usable = true;
    for (int i = 1; i < argc; ++i)
        all_usable = dump(argv[i], idata) && all_usable;
    return all_usable ? 0 : 1;
}
