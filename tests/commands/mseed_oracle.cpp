#include "mseed_oracle.hpp"

#include <libmseed.h>

namespace tw::test {
namespace {

std::vector<std::string>* g_sink = nullptr;

void collect(char* message) {
    if (g_sink) g_sink->emplace_back(message);
}

} // namespace

int64_t epoch_us(int year, int doy, int hour, int minute, int second, int usec) {
    return ms_time2hptime(year, doy, hour, minute, second, usec);
}

DecodedFile decode_with_libmseed(const std::vector<uint8_t>& bytes, int record_length) {
    DecodedFile out;
    g_sink = &out.diagnostics;
    ms_loginit(collect, nullptr, collect, nullptr);
    out.ok = record_length > 0 && bytes.size() % static_cast<std::size_t>(record_length) == 0;
    std::vector<char> buffer(bytes.begin(), bytes.end());
    for (std::size_t at = 0; out.ok && at < buffer.size();
         at += static_cast<std::size_t>(record_length)) {
        MSRecord* msr = nullptr;
        if (msr_parse(buffer.data() + at, record_length, &msr, record_length, 1, 0) != MS_NOERROR ||
            msr == nullptr) {
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
        msr_free(&msr);
        out.records.push_back(std::move(r));
    }
    ms_loginit(nullptr, nullptr, nullptr, nullptr);
    g_sink = nullptr;
    return out;
}

} // namespace tw::test
