#include "metadata/picks.hpp"

#include <algorithm>
#include <optional>

#include "metadata/kept_entries.hpp"
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
    PickTokens(std::string_view text, int position) : text_(text), position_(position) {}

    std::string text(std::size_t length) { return ciptok(text_, position_, length); }
    char character() { return text(1)[0]; }
    int position() const { return position_; }
    // Failures decode as 0, unreported.
    float number() {
        float value = 0.0f;
        int flag = 0;
        cipnum(text(kPickLineLength), value, flag);
        return value;
    }

  private:
    std::string_view text_;
    int position_;
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

template <class Entries>
void scan(Entries lines, const TraceHeader& head, std::array<PickRecord, kMaxPicks>& picks,
          int& ipick, int& ierr, MessageSink& messages) {
    // Two header lines.
    if (!lines.next() || !lines.next()) return;
    const auto station = head.stat.prefix(4);
    bool overflow_reported = false;
    while (const PickLine* line = lines.next()) {
        if (line->station != station) continue;
        if (ipick == kMaxPicks) {
            if (!overflow_reported)
                messages.line(FreeLine("  Tesk_wave - more than")
                              << kMaxPicks << "picks, rest ignored");
            overflow_reported = true;
            continue;
        }
        PickTokens tokens(line->text, line->after_station);
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

} // namespace

bool read_entry(LineReader& file, PickLine& line) {
    bool too_long = false;
    if (!file.next_line(line.text, too_long)) return false;
    if (line.text.size() > kPickLineLength) line.text.resize(kPickLineLength);
    // Times may be written hh:mm:ss.ss.
    line.text.resize(static_cast<std::size_t>(klen(line.text)));
    std::replace(line.text.begin(), line.text.end(), ':', ' ');
    PickTokens tokens(line.text, 0);
    line.station = tokens.text(4);
    line.after_station = tokens.position();
    return true;
}

void fetch_pick(const std::string& path, const TraceHeader& head,
                std::array<PickRecord, kMaxPicks>& picks, int& ipick, int& ierr,
                MessageSink& messages) {
    ierr = status::kFailed;
    ipick = 0;
    LineReader file(path);
    if (!file.opened(ierr)) return;
    scan(FileEntries<PickLine>(file), head, picks, ipick, ierr, messages);
}

void fetch_pick(std::span<const PickLine> kept, const TraceHeader& head,
                std::array<PickRecord, kMaxPicks>& picks, int& ipick, int& ierr,
                MessageSink& messages) {
    ierr = status::kFailed;
    ipick = 0;
    scan(KeptEntries<PickLine>(kept), head, picks, ipick, ierr, messages);
}

} // namespace tw
