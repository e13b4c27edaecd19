#include "fuzz/fuzz_inputs.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "driver/command_line.hpp"
#include "metadata/coordinates.hpp"
#include "metadata/picks.hpp"
#include "metadata/response.hpp"
#include "metadata/sensitivity.hpp"
#include "metadata/station_metadata.hpp"
#include "records/records.hpp"
#include "text/fields.hpp"
#include "text/tokens.hpp"
#include "time/int_time.hpp"
#include "time/leap_seconds.hpp"
#include "time/parse_date.hpp"

namespace tw::fuzz {

namespace {

// The metadata readers take a path: the input goes into an in-memory file reached through
// /proc/self/fd, rewritten for every input, so no disk file is created per run.
class MemoryFile {
  public:
    MemoryFile() : fd_(memfd_create("tw_fuzz", 0)) {}
    ~MemoryFile() {
        if (fd_ >= 0) close(fd_);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // The path of a file holding exactly these bytes.
    std::string hold(const uint8_t* data, std::size_t size) {
        if (fd_ < 0 || ftruncate(fd_, 0) != 0) return "/nonexistent";
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0) return "/nonexistent";
            done += static_cast<std::size_t>(n);
        }
        return "/proc/self/fd/" + std::to_string(fd_);
    }

  private:
    int fd_;
};

MemoryFile& memory_file() {
    static MemoryFile file;
    return file;
}

// The lookups ask for the first component of the example event at its origin time; the seed
// corpus holds files of that layout, so mutations reach the matching entries.
TraceHeader example_header() {
    TraceHeader head;
    head.stat = "SY01";
    head.chan = "HHZ";
    head.network = "XX";
    ext_time et;
    et.year = 2024;
    et.doy = 75;
    et.month = 3;
    et.day = 15;
    et.hour = 12;
    et.minute = 30;
    head.stime = ext_to_int(et);
    head.endtime = add_time(head.stime, 120, 0);
    head.npts = 12000;
    head.sample_rate = 100;
    return head;
}

constexpr std::string_view kStandardLeapSeconds = "Leap\t1972\tJun\t30\t23:59:60\t+\tS\n"
                                                  "Leap\t1972\tDec\t31\t23:59:60\t+\tS\n"
                                                  "Leap\t1998\tDec\t31\t23:59:60\t+\tS\n"
                                                  "Leap\t2005\tDec\t31\t23:59:60\t+\tS\n"
                                                  "Leap\t2008\tDec\t31\t23:59:60\t+\tS\n"
                                                  "Leap\t2012\tJun\t30\t23:59:60\t+\tS\n"
                                                  "Leap\t2015\tJun\t30\t23:59:60\t+\tS\n"
                                                  "Leap\t2016\tDec\t31\t23:59:60\t+\tS\n";

std::string_view as_text(const uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Converts a time both ways; an instant read from outside text must survive the arithmetic, and
// a span to it from the example event costs the same whatever its years (a slow input shows as
// a fuzzer timeout).
void exercise_time(const int_time& t) {
    const ext_time et = int_to_ext(t);
    (void)ext_to_int(et);
    (void)add_time(t, 1, 0);
    (void)is_leap_second(t);
    const double span = tdiff(t, example_header().stime);
    (void)add_dtime(example_header().stime, span);
}

} // namespace

void load_standard_leap_seconds() {
    LeapSecondTable::instance().load_text(kStandardLeapSeconds);
}

namespace {

// The traces the lookups are made for: stations and channels of the example layout and
// others, at times inside, before and after the usual validity periods.
std::vector<TraceHeader> lookup_traces() {
    std::vector<TraceHeader> traces;
    const TraceHeader example = example_header();
    for (const char* station : {"SY01", "SY02", "SY0", "RJOB", "ABC"}) {
        for (const char* channel : {"HHZ", "HHN", "HHE", "EHZ"}) {
            for (const int_time& t : {example.stime, add_time(example.stime, -800000000, 0),
                                      add_time(example.stime, 900000000, 0)}) {
                TraceHeader head = example;
                head.stat = station;
                head.chan = channel;
                head.stime = t;
                traces.push_back(head);
            }
        }
    }
    return traces;
}

// Appends the bytes of a value, so that outcomes compare bit for bit.
template <class T> void append_bits(std::ostream& out, const T& value) {
    const auto* p = reinterpret_cast<const unsigned char*>(&value);
    for (std::size_t i = 0; i < sizeof value; ++i)
        out << ' ' << static_cast<int>(p[i]);
}

// What one lookup of `kind` for `trace` gives, from the file at `path` or through `run`: the
// status, the values found and the members of the trace header that lookups fill, as text.
std::string outcome(MetadataKind kind, const std::string& path, StationMetadata* run,
                    const TraceHeader& trace) {
    TraceHeader head = trace;
    std::ostringstream out;
    const auto bits = [&out](const auto& value) { append_bits(out, value); };
    int ierr = -1;
    switch (kind) {
    case MetadataKind::kCoordinates: {
        float lat = -1.0f, lon = -1.0f, ele = -1.0f;
        const FixedText<4> station(head.stat.prefix(4));
        if (run)
            run->fetch_coord(station, lat, lon, ele, ierr);
        else
            fetch_coord(path, station, lat, lon, ele, ierr);
        out << ierr;
        bits(lat);
        bits(lon);
        bits(ele);
        break;
    }
    case MetadataKind::kSensitivities: {
        Sensitivity sens;
        sens.fp_sens = 5.0f;
        if (run)
            run->fetch_sens(head, sens, ierr);
        else
            fetch_sens(path, head, sens, ierr);
        out << ierr << ' ' << sens.unit_code;
        bits(sens.fp_sens);
        bits(sens.fp_lc);
        bits(sens.fp_hc);
        break;
    }
    case MetadataKind::kResponses: {
        InstrumentResponse instr;
        instr.np = 9;
        if (run)
            run->fetch_response(head, instr, ierr);
        else
            fetch_response(path, head, instr, ierr);
        out << ierr << ' ' << instr.unit_code << ' ' << instr.np << ' ' << instr.nz;
        bits(instr.norm);
        bits(instr.gs);
        bits(instr.poles);
        break;
    }
    case MetadataKind::kPicks: {
        std::array<PickRecord, kMaxPicks> picks{};
        int ipick = -1;
        MessageLog said;
        if (run)
            run->fetch_pick(head, picks, ipick, ierr, said);
        else
            fetch_pick(path, head, picks, ipick, ierr, said);
        out << ierr << ' ' << ipick << " [" << said.out << "]";
        for (int i = 0; i < ipick && i < kMaxPicks; ++i) {
            const PickRecord& p = picks[static_cast<std::size_t>(i)];
            out << " " << p.stat.view() << p.chan.view() << p.pid.view() << p.num << p.qual
                << p.fmotion << ' ' << p.pdate.year << ' ' << p.pdate.second << ' ' << p.pdate.usec;
        }
        break;
    }
    }
    out << " | head";
    bits(head.azi);
    bits(head.dip);
    bits(head.gs);
    bits(head.np);
    bits(head.nz);
    bits(head.poles);
    bits(head.unit_code);
    bits(head.fp_sens);
    bits(head.fp_lc);
    bits(head.fp_hc);
    return out.str();
}

} // namespace

std::string metadata_scan_difference(MetadataKind kind, const uint8_t* data, std::size_t size) {
    const std::string path = memory_file().hold(data, size);
    const std::vector<TraceHeader> traces = lookup_traces();
    std::vector<std::string> from_file;
    for (const TraceHeader& head : traces)
        from_file.push_back(outcome(kind, path, nullptr, head));
    // One run looks the traces up in order, another in reverse order.
    for (const bool forward : {true, false}) {
        StationMetadata run(path, path, path, path);
        for (std::size_t k = 0; k < traces.size(); ++k) {
            const std::size_t i = forward ? k : traces.size() - 1 - k;
            const std::string kept = outcome(kind, path, &run, traces[i]);
            if (kept != from_file[i])
                return std::string(forward ? "forward" : "backward") + " lookup of " +
                       traces[i].stat.str() + " " + traces[i].chan.str() + ": kept entries give" +
                       kept + ", the file gives" + from_file[i];
        }
    }
    return {};
}

namespace {

// Stops the process when the kept entries and the file disagree, so that the input is kept.
void check_scans(MetadataKind kind, const uint8_t* data, std::size_t size) {
    const std::string difference = metadata_scan_difference(kind, data, size);
    if (difference.empty()) return;
    std::fputs(difference.c_str(), stderr);
    std::abort();
}

} // namespace

int run_coord_input(const uint8_t* data, std::size_t size) {
    const std::string path = memory_file().hold(data, size);
    float slat = 0, slon = 0, sele = 0;
    int ierr = 0;
    fetch_coord(path, FixedText<4>("SY01"), slat, slon, sele, ierr);
    fetch_coord(path, FixedText<4>("SY0_"), slat, slon, sele, ierr);
    check_scans(MetadataKind::kCoordinates, data, size);
    return 0;
}

int run_sens_input(const uint8_t* data, std::size_t size) {
    const std::string path = memory_file().hold(data, size);
    TraceHeader head = example_header();
    Sensitivity sens;
    int ierr = 0;
    fetch_sens(path, head, sens, ierr);
    check_scans(MetadataKind::kSensitivities, data, size);
    return 0;
}

int run_resp_input(const uint8_t* data, std::size_t size) {
    const std::string path = memory_file().hold(data, size);
    TraceHeader head = example_header();
    InstrumentResponse instr;
    int ierr = 0;
    fetch_response(path, head, instr, ierr);
    check_scans(MetadataKind::kResponses, data, size);
    return 0;
}

int run_pick_input(const uint8_t* data, std::size_t size) {
    const std::string path = memory_file().hold(data, size);
    const TraceHeader head = example_header();
    std::array<PickRecord, kMaxPicks> picks{};
    int ipick = 0, ierr = 0;
    MessageLog said;
    fetch_pick(path, head, picks, ipick, ierr, said);
    for (int i = 0; i < ipick && i < static_cast<int>(picks.size()); ++i)
        exercise_time(picks[static_cast<std::size_t>(i)].pdate);
    check_scans(MetadataKind::kPicks, data, size);
    return 0;
}

int run_leap_input(const uint8_t* data, std::size_t size) {
    LeapSecondTable& table = LeapSecondTable::instance();
    const LeapLoadResult result = table.load_text(as_text(data, size));
    (void)leap_load_message(result, "fuzz");
    // Whatever was loaded, the conversions around each entry must hold up.
    for (const LeapSecond& e : table.entries()) {
        exercise_time(e.internal);
        (void)ext_to_int(e.calendar);
    }
    load_standard_leap_seconds();
    return 0;
}

int run_date_input(const uint8_t* data, std::size_t size) {
    const std::string_view text = as_text(data, size);
    if (const auto t = parse_date(text)) exercise_time(*t);
    int_time out{};
    if (f_parse_date(out, text) == 1) exercise_time(out);
    return 0;
}

int run_command_line_input(const uint8_t* data, std::size_t size) {
    // Arguments are separated by NUL bytes, as the system hands them over.
    std::vector<std::string> args;
    std::string_view rest = as_text(data, size);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\0');
        args.emplace_back(rest.substr(0, end));
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    RunConfig config;
    MessageLog said;
    if (!read_command_line(args, config, said)) (void)sort_c(config.fileo);
    if (config.ltime) exercise_time(config.org_time);
    return 0;
}

int run_fields_input(const uint8_t* data, std::size_t size) {
    // Two leading bytes choose the implied decimals and the scale factor; the rest is the field.
    if (size < 2) return 0;
    const int decimals = data[0] % 12;
    const int scale = static_cast<int>(data[1] % 7) - 3;
    const std::string_view text = as_text(data + 2, size - 2);
    (void)read_real(text, decimals, scale);
    (void)read_double(text, decimals, scale);
    (void)read_int(text);
    const int first = 1 + static_cast<int>(data[0] % 16);
    (void)column(text, first, first + static_cast<int>(data[1] % 16));
    // The same text as a free-format line: every token, then each as a number.
    int position = 0;
    for (int i = 0; i < 512; ++i) {
        const std::string token = ciptok(text, position, 32);
        if (token == "eoi") break;
        float value = 0;
        int flag = 0;
        cipnum(token, value, flag);
    }
    float value = 0;
    int flag = 0;
    cipnum(text, value, flag);
    return 0;
}

} // namespace tw::fuzz
