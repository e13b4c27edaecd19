#include "commands/split/record_scan.hpp"

#include <cstdio>
#include <memory>
#include <optional>
#include <span>

#include "seed/data_hdr.hpp"
#include "seed/record_reader.hpp"
#include "seed/sample_decoders.hpp"
#include "seed/seed_fatal.hpp"
#include "seed/seed_file.hpp"

namespace tw::split {

namespace {

constexpr std::size_t kFixedHeader = 48;
// The most samples a fixed header can announce (an unsigned 16-bit count).
constexpr int kMostSamples = 65535;

// The opening bytes of a data record: a sequence number of digits or blanks, a data record
// letter and a blank. Only where they stand is a full read tried.
bool looks_like_record(std::string_view b, std::size_t at) {
    if (at + kFixedHeader > b.size()) return false;
    for (std::size_t i = 0; i < 6; ++i) {
        const char c = b[at + i];
        if (!(c >= '0' && c <= '9') && c != ' ' && c != '\0') return false;
    }
    const char letter = b[at + 6];
    return (letter == 'D' || letter == 'R' || letter == 'Q' || letter == 'M') &&
           (b[at + 7] == ' ' || b[at + 7] == '\0');
}

bool code_char_ok(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-';
}

std::string range_text(std::size_t from, std::size_t to) {
    return "bytes " + std::to_string(from) + " to " + std::to_string(to - 1);
}

struct Attempt {
    enum class Kind { none, record, undecodable } kind = Kind::none;
    std::size_t length = 0;
    std::optional<data_hdr> hdr;
    std::string why;
};

// Reads the record at `at` through the project's reader and decodes its samples.
Attempt try_record(std::string_view bytes, std::size_t at, std::vector<int32_t>& samples) {
    Attempt a;
    std::FILE* stream = ::fmemopen(const_cast<char*>(bytes.data() + at), bytes.size() - at, "rb");
    if (stream == nullptr) return a;
    // The record layer's own warnings go where they always went: standard error.
    SeedFile file(stream, standard_messages());
    RecordBuffer buffer;
    try {
        const int length = read_ms_record(a.hdr, buffer, file);
        if (length <= 0 || !a.hdr) return a;
        a.length = static_cast<std::size_t>(length);
        if (at + a.length > bytes.size()) return Attempt{};
        a.kind = Attempt::Kind::record;
        const int format = a.hdr->data_format;
        if (format != INT_16 && format != INT_24 && format != INT_32 && format != STEIM1 &&
            format != STEIM2) {
            a.kind = Attempt::Kind::undecodable;
            a.why = "encoding " + std::to_string(format) + " is not one tesk_wave reads";
        } else if (a.hdr->nsamp == 0) {
            a.kind = Attempt::Kind::undecodable;
            a.why = "it holds no samples";
        } else if (ms_unpack(
                       *a.hdr, kMostSamples,
                       std::span(reinterpret_cast<const uint8_t*>(bytes.data() + at), a.length),
                       samples, standard_messages()) != a.hdr->nsamp) {
            a.kind = Attempt::Kind::undecodable;
            a.why = "its samples cannot be decoded";
        }
    } catch (const SeedFatal& fatal) {
        if (a.kind == Attempt::Kind::record) {
            a.kind = Attempt::Kind::undecodable;
            a.why = fatal.message();
            while (!a.why.empty() && a.why.back() == '\n')
                a.why.pop_back();
        } else {
            a = Attempt{};
        }
    }
    return a;
}

} // namespace

std::string channel_id(std::string_view network, std::string_view station,
                       std::string_view location, std::string_view channel) {
    for (const std::string_view code : {network, station, location, channel})
        for (const char c : code)
            if (!code_char_ok(c)) return {};
    if (station.empty() || channel.empty()) return {};
    return std::string(network) + "." + std::string(station) + "." + std::string(location) + "." +
           std::string(channel);
}

ScanResult scan_records(std::string_view bytes, std::size_t file_index) {
    ScanResult out;
    std::vector<int32_t> samples(static_cast<std::size_t>(kMostSamples));
    std::size_t at = 0;
    std::size_t unreadable_from = std::string_view::npos;
    auto close_unreadable = [&](std::size_t to) {
        if (unreadable_from == std::string_view::npos) return;
        out.problems.push_back(range_text(unreadable_from, to) + ": no readable record, skipped");
        unreadable_from = std::string_view::npos;
    };
    while (at < bytes.size()) {
        Attempt a;
        if (looks_like_record(bytes, at)) a = try_record(bytes, at, samples);
        if (a.kind == Attempt::Kind::none) {
            if (unreadable_from == std::string_view::npos) unreadable_from = at;
            ++at;
            continue;
        }
        close_unreadable(at);
        const data_hdr& h = *a.hdr;
        const std::string id = channel_id(code_text(h.network), code_text(h.station),
                                          code_text(h.location), code_text(h.channel));
        if (a.kind == Attempt::Kind::undecodable) {
            out.problems.push_back(range_text(at, at + a.length) + " (" +
                                   (id.empty() ? std::string("a record") : id) + "): " + a.why +
                                   ", skipped");
        } else if (id.empty()) {
            out.problems.push_back(range_text(at, at + a.length) +
                                   ": a record whose codes cannot name a file, skipped");
        } else {
            out.records.push_back(RecordRef{file_index, at, a.length, id, h.begin_time});
        }
        at += a.length;
    }
    close_unreadable(bytes.size());
    return out;
}

} // namespace tw::split
