#include "metadata/picks.hpp"

#include <algorithm>
#include <optional>

#include "metadata/station_file.hpp"
#include "records/status.hpp"
#include "text/format.hpp"
#include "text/tokens.hpp"
#include "time/daymo.hpp"
#include "time/int_time.hpp"

namespace tw {

namespace {

// A pick line holds at most this many characters; the rest of a longer line is ignored.
constexpr std::size_t kPickLineLength = 256;

// Integer part of a decoded number; a value beyond the integer range counts as undecodable (0).
int whole_part(float v) {
    if (!(v > -2147483648.0f && v < 2147483648.0f)) return 0;
    return static_cast<int>(v);
}

// Tokens of one pick line, taken one after the other.
class PickTokens {
  public:
    explicit PickTokens(std::string_view text) : text_(text) {}

    std::string text(std::size_t length) { return ciptok(text_, position_, length); }
    char character() { return text(1)[0]; }
    // Failures decode as 0, unreported.
    float number() {
        float value = 0.0f;
        int flag = 0;
        cipnum(text(kPickLineLength), value, flag);
        return value;
    }

  private:
    std::string_view text_;
    int position_ = 0;
};

// Tokens 2 to 13 of a pick line whose station token matched. A time outside the plausible years
// gives no pick; `year` then holds the year that was refused.
std::optional<PickRecord> read_pick(PickTokens& tokens, std::string_view station, int& year) {
    PickRecord p;
    p.stat = station;
    p.chan.assign(tokens.text(3));
    p.num = whole_part(tokens.number());
    p.qual = tokens.character();
    p.pid.assign(tokens.text(4));
    tokens.number(); // decoded, not kept
    p.fmotion = tokens.character();
    tokens.number(); // decoded, not kept

    ext_time et;
    et.year = whole_part(tokens.number());
    et.doy = whole_part(tokens.number());
    et.hour = whole_part(tokens.number());
    et.minute = whole_part(tokens.number());
    // Seconds with fraction, in single precision as written: 06.25 gives 6 s and 250000 us.
    const float seconds = tokens.number();
    et.second = whole_part(seconds);
    et.usec = whole_part((seconds - static_cast<float>(et.second)) * 1000000.0f);
    daymo(et.doy, et.month, et.day, et.year);
    year = et.year;
    if (!plausible_year(year)) return std::nullopt;
    // A day, hour or minute far beyond its range can still carry the time out of the years.
    f_ext_to_int(et, p.pdate);
    year = p.pdate.year;
    if (!plausible_year(year)) return std::nullopt;
    return p;
}

} // namespace

void fetch_pick(const std::string& path, const TraceHeader& head,
                std::array<PickRecord, kMaxPicks>& picks, int& ipick, int& ierr,
                MessageSink& messages) {
    ierr = status::kFailed;
    ipick = 0;
    StationFile file(path);
    if (!file.opened(ierr)) return;
    if (!file.skip_lines(2)) return; // header lines
    const auto station = head.stat.prefix(4);
    bool overflow_reported = false;
    std::string line;
    while (file.next_line(line)) {
        if (line.size() > kPickLineLength) line.resize(kPickLineLength);
        // Times may be written hh:mm:ss.ss.
        line.resize(static_cast<std::size_t>(klen(line)));
        std::replace(line.begin(), line.end(), ':', ' ');
        PickTokens tokens(line);
        if (tokens.text(4) != station) continue;
        if (ipick == kMaxPicks) {
            if (!overflow_reported)
                messages.line(FreeLine("  Tesk_wave - more than")
                              << kMaxPicks << "picks, rest ignored");
            overflow_reported = true;
            continue;
        }
        int year = 0;
        const std::optional<PickRecord> pick = read_pick(tokens, station, year);
        if (!pick) {
            messages.line(FreeLine() << "  Tesk_wave - pick year" << year
                                     << "out of range, pick ignored");
            continue;
        }
        picks[static_cast<std::size_t>(ipick)] = *pick;
        ++ipick;
        ierr = status::kOk;
    }
}

} // namespace tw
