#pragma once
// Steim-2 compression of 32-bit integer samples into the 64-byte frames of one data record.
#include <cstddef>
#include <cstdint>
#include <span>

namespace tw::synth {

inline constexpr std::size_t kFrameBytes = 64;

// Packs as many of `samples` as fit into `frames` (a whole number of 64-byte frames, written
// most significant byte first). The first frame carries the integration constants: the first
// sample (x0) and the last sample packed (xn). `previous` is the sample before samples[0] (the
// last sample of the preceding record, 0 for the first record); the record's first difference
// refers to it. Words that receive no differences stay zero. Returns the number of samples
// packed, or 0 when `samples` is empty, a difference needs more than 30 bits, or `frames` holds
// less than one frame.
std::size_t steim2_pack(std::span<const int32_t> samples, int32_t previous,
                        std::span<uint8_t> frames);

} // namespace tw::synth
