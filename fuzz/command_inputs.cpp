#include "fuzz/command_inputs.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "commands/meta/conversion.hpp"
#include "commands/meta/document_reader.hpp"
#include "commands/meta/selection.hpp"
#include "commands/meta/station_files.hpp"
#include "commands/split/record_scan.hpp"
#include "metadata/coordinates.hpp"
#include "metadata/response.hpp"
#include "metadata/sensitivity.hpp"
#include "time/daymo.hpp"

namespace tw::fuzz {

namespace {

// One in-memory file per station file, reached through /proc/self/fd.
class MemoryText {
  public:
    MemoryText() : fd_(memfd_create("tw_fuzz_meta", 0)) {}
    ~MemoryText() {
        if (fd_ >= 0) close(fd_);
    }
    MemoryText(const MemoryText&) = delete;
    MemoryText& operator=(const MemoryText&) = delete;

    std::string hold(std::string_view text) {
        if (fd_ < 0 || ftruncate(fd_, 0) != 0) return "/nonexistent";
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n =
                pwrite(fd_, text.data() + done, text.size() - done, static_cast<off_t>(done));
            if (n <= 0) return "/nonexistent";
            done += static_cast<std::size_t>(n);
        }
        return "/proc/self/fd/" + std::to_string(fd_);
    }

  private:
    int fd_;
};

// A written file tesk_wave cannot read back is a fault of the writer.
void require(bool ok) {
    if (!ok) std::abort();
}

int_time instant(const meta::MinuteDate& d) {
    ext_time et{d.year, d.doy, 0, 0, d.hour, d.minute, 0, 0};
    daymo(d.doy, et.month, et.day, d.year);
    return ext_to_int(et);
}

} // namespace

int run_station_document_input(const uint8_t* data, std::size_t size) {
    meta::Inventory inventory;
    std::string error;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!meta::read_document_text("fuzz", text, inventory, error)) return 0;
    std::vector<meta::StationEntry> candidates;
    for (const meta::ChannelEpoch& c : inventory.channels)
        if (auto conversion = meta::convert(c); conversion.entry)
            candidates.push_back(*conversion.entry);
    const meta::Selection s = meta::select_entries(candidates, inventory, meta::Choice{});

    static MemoryText coord_file, resp_file, sens_file;
    const std::string coord = coord_file.hold(meta::coordinate_file(s.coordinates));
    const std::string resp = resp_file.hold(meta::response_file(s.entries));
    const std::string sens = sens_file.hold(meta::sensitivity_file(s.entries));
    for (const meta::CoordinateEntry& c : s.coordinates) {
        float lat = 0, lon = 0, ele = 0;
        int ierr = -1;
        fetch_coord(coord, FixedText<4>(c.key), lat, lon, ele, ierr);
        require(ierr == 0);
    }
    // Every entry's channel is found at the begin of the entry's period.
    constexpr std::size_t kLookups = 8;
    for (std::size_t i = 0; i < s.entries.size() && i < kLookups; ++i) {
        const meta::StationEntry& e = s.entries[i];
        TraceHeader head;
        head.stat = e.station;
        head.chan = e.channel;
        head.stime = instant(meta::begin_limit(e));
        InstrumentResponse instr;
        Sensitivity sensitivity;
        int ierr = -1;
        fetch_response(resp, head, instr, ierr);
        require(ierr == 0);
        fetch_sens(sens, head, sensitivity, ierr);
        require(ierr == 0);
    }
    return 0;
}

int run_multiplexed_input(const uint8_t* data, std::size_t size) {
    const auto scan =
        split::scan_records(std::string_view(reinterpret_cast<const char*>(data), size), 0);
    // Records never overlap and never leave the bytes.
    std::size_t end = 0;
    for (const split::RecordRef& r : scan.records) {
        require(r.offset >= end && r.offset + r.length <= size && r.length > 0);
        end = r.offset + r.length;
    }
    return 0;
}

} // namespace tw::fuzz
