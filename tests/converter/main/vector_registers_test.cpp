// Releasing the upper halves of the vector registers, as the window does
// after each turn of the event loop during a conversion, leaves them unused.
// Checked through the processor's own record of which register state is in
// use (XGETBV with ECX=1), where it keeps one.

#include "converter/main/vector_registers.h"

#include <gtest/gtest.h>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>

namespace {

bool canReadStateInUse()
{
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid_count(0xD, 1, &eax, &ebx, &ecx, &edx))
        return false;
    return (eax & (1u << 2)) != 0 && __builtin_cpu_supports("avx"); // XGETBV with ECX=1
}

bool upperHalvesInUse()
{
    unsigned low = 0, high = 0;
    asm volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(1));
    return (low & (1u << 2)) != 0; // the AVX state component
}

// Written as plain assembly: the compiler would end an AVX function of its
// own with the very instruction under test.
void dirtyUpperHalves()
{
    asm volatile("vpcmpeqd %%ymm0, %%ymm0, %%ymm0" ::: "xmm0"); // all ones in ymm0, upper half included
}

class UpperVectorState : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!canReadStateInUse())
            GTEST_SKIP() << "this processor does not report which register state is in use";
        dirtyUpperHalves();
        ASSERT_TRUE(upperHalvesInUse());
    }
};

TEST_F(UpperVectorState, ReleasingMarksTheUpperHalvesUnused)
{
    tavrel::releaseUpperVectorState();
    EXPECT_FALSE(upperHalvesInUse());
}

} // namespace

#endif
