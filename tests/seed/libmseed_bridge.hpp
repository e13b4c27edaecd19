#pragma once
// The independent decoder and writer the conformance tests compare against: Debian's libmseed.
#include <libmseed.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tw::test {

struct MseedTrace {
    std::string network = "XX", station = "TEST", location = "", channel = "HHZ";
    char quality = 'D';
    int year = 2010, doy = 58, hour = 6, minute = 50, second = 16, usec = 0;
    double rate = 100.0;
    int encoding = DE_STEIM2;
    int header_order = 1; // 1 most significant byte first
    int data_order = 1;
    int reclen = 512;
    std::vector<int32_t> samples;
};

inline void collect_record(char* record, int reclen, void* into) {
    auto* out = static_cast<std::vector<uint8_t>*>(into);
    out->insert(out->end(), record, record + reclen);
}

// The trace packed into records by libmseed's writer.
inline std::vector<uint8_t> pack_with_libmseed(const MseedTrace& t) {
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

// Every record of the bytes decoded by libmseed, samples in file order.
inline std::vector<int32_t> decode_with_libmseed(std::vector<uint8_t> bytes) {
    std::vector<int32_t> out;
    MSRecord* msr = nullptr;
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        const int rv = msr_parse(reinterpret_cast<char*>(bytes.data() + offset),
                                 static_cast<int>(bytes.size() - offset), &msr, -1, 1, 0);
        if (rv != 0 || !msr || msr->reclen <= 0) break;
        const auto* s = static_cast<const int32_t*>(msr->datasamples);
        if (msr->sampletype == 'i') out.insert(out.end(), s, s + msr->numsamples);
        offset += static_cast<std::size_t>(msr->reclen);
    }
    msr_free(&msr);
    return out;
}

} // namespace tw::test
