// Clearing the vector registers' upper halves, where the processor has them.
#include "text/VectorRegisters.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

#if defined(__x86_64__)
__attribute__((target("avx"))) void clearUpperHalves() {
    _mm256_zeroupper();
}
#endif

} // namespace

void startWithCleanVectorRegisters() {
#if defined(__x86_64__)
    if (__builtin_cpu_supports("avx")) {
        clearUpperHalves();
    }
#endif
}
