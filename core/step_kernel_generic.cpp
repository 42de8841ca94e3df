// The portable set: plain C++, for processors without the vector sets (and for 64-bit Arm).
#include "core/step_kernel.h"

namespace gb::stepk {
namespace {

int GenericRow(const RowRun& run) {
    ReferenceCells(run, run.x0, run.x1, run.x0);
    // The reference rule handles every code; only report whether other codes were there.
    int other = 0;
    for (int x = run.x0 - 1; x <= run.x1; ++x)
        other |= (run.above[x] | run.row[x] | run.below[x]) & ~1;
    return other != 0 ? 1 : 0;
}

std::int64_t GenericCount(const std::int8_t* bytes, std::size_t count) {
    std::int64_t n = 0;
    for (std::size_t i = 0; i < count; ++i) n += bytes[i] != 0;
    return n;
}

}  // namespace

Kernels GenericKernels() { return {GenericRow, GenericCount, "generic"}; }

}  // namespace gb::stepk
