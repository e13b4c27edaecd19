#include "metadata/response.hpp"

#include <algorithm>

#include "metadata/column_reader.hpp"
#include "metadata/entry_fields.hpp"
#include "metadata/station_file.hpp"
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
    std::string channel; // SEED channel code; the label in columns 5-8 takes no part
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

// Reads the zero and pole lines of the matching entry: poles into entries 0..np-1, zeros into
// np..np+nz-1 (14-column exponent fields with 6 implied decimals).
bool read_body(StationFile& file, const Counts& c, InstrumentResponse& instr) {
    std::string line;
    for (int i = 0; i < c.nz; ++i) {
        if (!file.next_line(line)) return false;
        ColumnReader f(line);
        const float re = f.real(2, 15, 6);
        const float im = f.real(16, 29, 6);
        if (!f.ok()) return false;
        instr.poles[static_cast<std::size_t>(c.np + i)] = {re, im};
    }
    for (int i = 0; i < c.np; i += 2) {
        if (!file.next_line(line)) return false;
        ColumnReader f(line);
        instr.poles[static_cast<std::size_t>(i)] = {f.real(1, 14, 6), f.real(15, 28, 6)};
        if (i + 1 < c.np)
            instr.poles[static_cast<std::size_t>(i + 1)] = {f.real(29, 42, 6), f.real(43, 56, 6)};
        if (!f.ok()) return false;
    }
    return true;
}

} // namespace

void fetch_response(const std::string& path, TraceHeader& head, InstrumentResponse& instr,
                    int& ierr) {
    instr.reset();
    const auto station = head.stat.prefix(4);
    const auto channel = head.chan.prefix(3);
    ierr = status::kOk;
    StationFile file(path);
    if (!file.opened(ierr)) return;
    std::string line;
    ResponseHeader h;
    Counts c;
    while (file.next_line(line)) {
        if (!read_header(line, h) || !file.next_line(line) || !read_counts(line, c)) break;
        const ValidityPeriod period = validity_period(h.begin, h.end, ierr);
        if (h.station.view() != station || h.channel != channel || !period.covers(head.stime)) {
            if (!file.skip_lines(body_lines(c))) break;
            continue;
        }
        // The matching entry must fit `poles`, read completely and name a known unit.
        const int unit = unit_code_of(h.unit);
        if (c.np > kMaxPolesZeros || c.nz > kMaxPolesZeros || c.np + c.nz > kMaxPolesZeros ||
            unit == 999 || !read_body(file, c, instr))
            break;
        instr.unit_code = unit;
        instr.gs = c.gs;
        instr.np = c.np;
        instr.nz = c.nz;
        head.azi = h.azi;
        head.dip = h.dip;
        head.gs = instr.gs * instr.norm;
        head.np = instr.np;
        head.nz = instr.nz;
        std::copy_n(instr.poles.begin(), c.np + c.nz, head.poles.begin());
        head.unit_code = instr.unit_code;
        return;
    }
    instr.reset();
    ierr = status::kFailed;
}

} // namespace tw
