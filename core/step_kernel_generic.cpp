// The portable set: plain C++, for processors without the vector sets (and for 64-bit Arm).
#include "core/step_kernel.h"

namespace gb::stepk {
namespace {

int GenericBand(const BandRun& run) { return ReferenceBand(run, run.x0, run.x1, 0); }

std::int64_t GenericCount(const std::int8_t* bytes, std::size_t count) {
    std::int64_t n = 0;
    for (std::size_t i = 0; i < count; ++i) n += bytes[i] != 0;
    return n;
}

}  // namespace

Kernels GenericKernels() { return {GenericBand, GenericCount, "generic"}; }

}  // namespace gb::stepk
