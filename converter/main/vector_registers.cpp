#include "converter/main/vector_registers.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>

namespace tavrel {

namespace {

__attribute__((target("avx"))) void zeroUpper()
{
    _mm256_zeroupper();
}

} // namespace

void releaseUpperVectorState()
{
    static const bool hasAvx = __builtin_cpu_supports("avx");
    if (hasAvx)
        zeroUpper();
}

} // namespace tavrel

#else

namespace tavrel {

void releaseUpperVectorState() {}

} // namespace tavrel

#endif
