// The portable set: plain C++, for processors without the vector sets (and for 64-bit Arm).
#include <cstring>

#include "core/step_kernel.h"

namespace gb::stepk {
namespace {

void GenericRun(RunJob& run) { ScalarColumns(run, run.x0, run.x1); }

std::int64_t GenericCount(const std::int8_t* bytes, std::size_t count) {
    std::int64_t n = 0;
    for (std::size_t i = 0; i < count; ++i) n += bytes[i] != 0;
    return n;
}

bool GenericOther(const std::int8_t* bytes, std::size_t count) {
    // Eight bytes at a time: a 0 or 1 byte has no bit above the lowest.
    constexpr std::uint64_t kHigh = 0xFEFEFEFEFEFEFEFEull;
    std::uint64_t acc = 0;
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, bytes + i, 8);
        acc |= w;
    }
    for (; i < count; ++i) acc |= static_cast<std::uint8_t>(bytes[i]);
    return (acc & kHigh) != 0;
}

}  // namespace

Kernels GenericKernels() { return {GenericRun, GenericCount, GenericOther, "generic"}; }

}  // namespace gb::stepk
