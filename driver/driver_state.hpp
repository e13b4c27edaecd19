#pragma once
// Everything the driver keeps for the whole run: the trace header, the sample buffers, the
// shared records, picks and theoretical arrivals, geometry and the three-component group.
#include <array>
#include <cstdint>
#include <vector>

#include "driver/component_group.hpp"
#include "records/records.hpp"

namespace tw {

struct DriverState {
    TraceHeader head;
    std::vector<int32_t> idata = std::vector<int32_t>(kMaxSamples);
    std::vector<float> d1 = std::vector<float>(kMaxSamples + 2);
    InstrumentResponse instr;
    Sensitivity sens;
    std::array<PickRecord, kMaxPicks> pick{};
    int ipick = 0;
    std::array<PickRecord, kMaxPicks> iasp{}; // entry 0: first P arrival, entry 1: first S arrival
    int itime = 0;
    float slat = 0.0f, slon = 0.0f, sele = 0.0f; // last coordinates found
    float delta = 0.0f, dist = 0.0f, rdist = 0.0f, azim = 0.0f, bazim = 0.0f;
    ComponentGroup group;
    bool lclip = false;
};

} // namespace tw
