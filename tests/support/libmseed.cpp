#include "tests/support/libmseed.hpp"

#include <libmseed.h>

#include <cstring>

namespace tw::testing {
namespace {

std::vector<std::string>* g_diagnostics = nullptr;

void collect_diagnostic(char* message) {
    if (g_diagnostics) g_diagnostics->emplace_back(message);
}

void collect_record(char* record, int reclen, void* into) {
    auto* out = static_cast<std::vector<uint8_t>*>(into);
    out->insert(out->end(), record, record + reclen);
}

} // namespace

std::vector<uint8_t> pack_with_libmseed(const MseedTrace& t) {
    MSRecord* msr = msr_init(nullptr);
    std::strncpy(msr->network, t.network.c_str(), sizeof msr->network - 1);
    std::strncpy(msr->station, t.station.c_str(), sizeof msr->station - 1);
    std::strncpy(msr->location, t.location.c_str(), sizeof msr->location - 1);
    std::strncpy(msr->channel, t.channel.c_str(), sizeof msr->channel - 1);
    msr->dataquality = t.quality;
    msr->starttime = ms_time2hptime(t.year, t.doy, t.hour, t.minute, t.second, t.usec);
    if (t.usec % 100 != 0) {
        // The writer carries microseconds below the header's 0.0001 s in blockette 1001.
        blkt_1001_s b1001{};
        msr_addblockette(msr, reinterpret_cast<char*>(&b1001), sizeof b1001, 1001, 0);
    }
    msr->samprate = t.rate;
    msr->encoding = static_cast<int8_t>(t.encoding);
    msr->byteorder = static_cast<int8_t>(t.data_order);
    msr->reclen = t.reclen;
    std::vector<int32_t> samples = t.samples;
    msr->datasamples = samples.data();
    msr->sampletype = 'i';
    msr->numsamples = static_cast<int64_t>(samples.size());
    // The writer's header override is a swap relative to msr->byteorder (the data order):
    // the header is swapped when msr->byteorder differs from the override.
    const flag header_before = packheaderbyteorder;
    if (t.header_order != t.data_order) {
        const int host = ms_bigendianhost();
        MS_PACKHEADERBYTEORDER(
            static_cast<flag>(t.header_order == host ? t.data_order : 1 - t.data_order));
    }
    std::vector<uint8_t> bytes;
    int64_t packed = 0;
    msr_pack(msr, collect_record, &bytes, &packed, 1, 0);
    MS_PACKHEADERBYTEORDER(header_before);
    msr->datasamples = nullptr;
    msr_free(&msr);
    return bytes;
}

DecodedFile decode_with_libmseed(const std::vector<uint8_t>& bytes, int record_length) {
    DecodedFile out;
    g_diagnostics = &out.diagnostics;
    ms_loginit(collect_diagnostic, nullptr, collect_diagnostic, nullptr);
    out.ok = record_length == 0 ||
             (record_length > 0 && bytes.size() % static_cast<std::size_t>(record_length) == 0);
    std::vector<char> buffer(bytes.begin(), bytes.end());
    for (std::size_t at = 0; out.ok && at < buffer.size();) {
        MSRecord* msr = nullptr;
        const int given = record_length > 0 ? record_length : -1;
        const auto left = static_cast<int>(buffer.size() - at);
        if (msr_parse(buffer.data() + at, record_length > 0 ? record_length : left, &msr, given, 1,
                      0) != MS_NOERROR ||
            msr == nullptr || msr->reclen <= 0) {
            msr_free(&msr);
            out.ok = false;
            break;
        }
        DecodedRecord r;
        r.network = msr->network;
        r.station = msr->station;
        r.location = msr->location;
        r.channel = msr->channel;
        r.start_us = msr->starttime;
        r.sample_rate = msr->samprate;
        r.record_length = msr->reclen;
        r.encoding = msr->encoding;
        r.byte_order = msr->byteorder;
        r.sequence = msr->sequence_number;
        if (msr->sampletype == 'i' && msr->numsamples == msr->samplecnt) {
            const auto* s = static_cast<const int32_t*>(msr->datasamples);
            r.samples.assign(s, s + msr->numsamples);
        } else {
            out.ok = false;
        }
        at += static_cast<std::size_t>(msr->reclen);
        msr_free(&msr);
        out.records.push_back(std::move(r));
    }
    ms_loginit(nullptr, nullptr, nullptr, nullptr);
    g_diagnostics = nullptr;
    return out;
}

std::vector<int32_t> samples_of(const DecodedFile& file) {
    std::vector<int32_t> all;
    for (const auto& r : file.records)
        all.insert(all.end(), r.samples.begin(), r.samples.end());
    return all;
}

int64_t epoch_us(int year, int doy, int hour, int minute, int second, int usec) {
    return ms_time2hptime(year, doy, hour, minute, second, usec);
}

} // namespace tw::testing
