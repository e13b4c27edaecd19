#pragma once
// Loops over samples and spectral lines are also compiled for 256-bit vectors and the version is
// chosen at load time where the processor has them. Both versions perform the same operations in
// the same order (no fused multiply-add: the dsp library is built with -ffp-contract=off), so
// results do not depend on the processor.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define TW_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define TW_VECTOR_CLONES
#endif
