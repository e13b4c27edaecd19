#include "metadata/response.hpp"

#include <algorithm>

#include "metadata/column_reader.hpp"
#include "metadata/kept_entries.hpp"
#include "records/status.hpp"
#include "text/fields.hpp"
#include "text/tokens.hpp"

namespace tw {

namespace {

struct ResponseHeader {
    FixedText<4> station;
    ValidityDate begin, end;
    float azi = 0.0f, dip = 0.0f;
    std::string unit;
    std::string channel;
};

bool read_header(std::string_view line, ResponseHeader& h) {
    ColumnReader f(line);
    h.station = station_code(line);
    h.begin = {f.integer(10, 13), f.integer(15, 17), f.integer(19, 20), f.integer(21, 22)};
    h.end = {f.integer(25, 28), f.integer(30, 32), f.integer(34, 35), f.integer(36, 37)};
    h.azi = f.real(38, 45, 2);
    h.dip = f.real(46, 53, 2);
    h.unit = f.text(55, 63);
    h.channel = f.text(70, 72);
    return f.ok();
}

struct Counts {
    float gs = 0.0f;
    int nz = 0, np = 0;
};

// The free-format count line "gs nz np" (blanks or commas between the values).
bool read_counts(const std::string& line, Counts& c) {
    const std::string_view text(line.data(), static_cast<std::size_t>(klen(line)));
    int position = 0;
    std::string tokens[3];
    for (auto& token : tokens) {
        token = ciptok(text, position, line.size() + 3);
        token.resize(static_cast<std::size_t>(klen(token)));
        if (token.empty() || token == "eoi") return false;
    }
    const auto gs = read_real(tokens[0]);
    const auto nz = read_int(tokens[1]);
    const auto np = read_int(tokens[2]);
    if (!gs || !nz || !np || *nz < 0 || *np < 0) return false;
    c = {*gs, *nz, *np};
    return true;
}

// Lines taken by the zeros (one each) and the poles (two per line).
long long body_lines(const Counts& c) {
    return static_cast<long long>(c.nz) + c.np / 2 + c.np % 2;
}

bool fits(const Counts& c) {
    return c.np <= kMaxPolesZeros && c.nz <= kMaxPolesZeros && c.np + c.nz <= kMaxPolesZeros;
}

// Reads the zero and pole lines of an entry whose counts fit: poles into values 0..np-1, zeros
// into np..np+nz-1 (14-column exponent fields with 6 implied decimals). Every line is read,
// whether or not an earlier one was malformed, so that the file is left after the entry; false
// when the file ends first. `ok` tells whether every line was read well.
bool read_body(LineReader& file, const Counts& c, std::vector<std::complex<float>>& values,
               bool& ok) {
    values.assign(static_cast<std::size_t>(c.np + c.nz), {});
    ok = true;
    std::string line;
    bool too_long = false;
    for (int i = 0; i < c.nz; ++i) {
        if (!file.next_line(line, too_long)) return false;
        ColumnReader f(line);
        const float re = f.real(2, 15, 6);
        const float im = f.real(16, 29, 6);
        ok = ok && f.ok() && !too_long;
        values[static_cast<std::size_t>(c.np + i)] = {re, im};
    }
    for (int i = 0; i < c.np; i += 2) {
        if (!file.next_line(line, too_long)) return false;
        ColumnReader f(line);
        values[static_cast<std::size_t>(i)] = {f.real(1, 14, 6), f.real(15, 28, 6)};
        if (i + 1 < c.np)
            values[static_cast<std::size_t>(i + 1)] = {f.real(29, 42, 6), f.real(43, 56, 6)};
        ok = ok && f.ok() && !too_long;
    }
    return true;
}

template <class Entries>
void scan(Entries entries, TraceHeader& head, InstrumentResponse& instr, int& ierr) {
    instr.reset();
    const auto station = head.stat.prefix(4);
    const auto channel = head.chan.prefix(3);
    ierr = status::kOk;
    while (const ResponseEntry* e = entries.next()) {
        if (!e->ok) break;
        e->period.pass(ierr);
        if (e->station.view() != station || e->channel.view() != channel ||
            !e->period.period.covers(head.stime)) {
            if (!e->complete) break;
            continue;
        }
        // The matching entry must fit `poles`, read completely and name a known unit.
        if (!e->values_ok || e->unit_code == 999) break;
        instr.unit_code = e->unit_code;
        instr.gs = e->gs;
        instr.np = e->np;
        instr.nz = e->nz;
        std::copy(e->values.begin(), e->values.end(), instr.poles.begin());
        head.azi = e->azi;
        head.dip = e->dip;
        head.gs = instr.gs * instr.norm;
        head.np = instr.np;
        head.nz = instr.nz;
        std::copy_n(instr.poles.begin(), e->np + e->nz, head.poles.begin());
        head.unit_code = instr.unit_code;
        return;
    }
    instr.reset();
    ierr = status::kFailed;
}

} // namespace

bool read_entry(LineReader& file, ResponseEntry& entry) {
    std::string line;
    bool too_long = false;
    if (!file.next_line(line, too_long)) return false;
    entry = ResponseEntry{};
    ResponseHeader h;
    Counts c;
    if (too_long || !read_header(line, h)) return true;
    if (!file.next_line(line, too_long) || too_long || !read_counts(line, c)) return true;
    entry.ok = true;
    entry.station = h.station;
    entry.channel = h.channel;
    entry.period = EntryPeriod::of(h.begin, h.end);
    entry.azi = h.azi;
    entry.dip = h.dip;
    entry.unit_code = unit_code_of(h.unit);
    entry.gs = c.gs;
    entry.nz = c.nz;
    entry.np = c.np;
    if (fits(c)) {
        entry.complete = read_body(file, c, entry.values, entry.values_ok);
        entry.values_ok = entry.values_ok && entry.complete;
        if (!entry.values_ok) entry.values.clear();
    } else {
        entry.complete = file.skip_lines(body_lines(c));
    }
    return true;
}

void fetch_response(const std::string& path, TraceHeader& head, InstrumentResponse& instr,
                    int& ierr) {
    LineReader file(path);
    if (!file.is_open()) {
        instr.reset();
        ierr = status::kCannotOpen;
        return;
    }
    scan(FileEntries<ResponseEntry>(file), head, instr, ierr);
}

void fetch_response(std::span<const ResponseEntry> kept, TraceHeader& head,
                    InstrumentResponse& instr, int& ierr) {
    scan(KeptEntries<ResponseEntry>(kept), head, instr, ierr);
}

} // namespace tw
