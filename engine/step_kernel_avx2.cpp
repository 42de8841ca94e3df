// The step's inner loops for the avx2 instruction set (flags from cmake/CoreOptions.cmake).
#define GB_KERNEL_SET avx2
#define GB_KERNEL_LANES 4
#include "engine/step_kernel_impl.h"

namespace gb::stepk {
#if defined(__x86_64__) || defined(_M_X64)
namespace {
void StepAvx2(const Job& job, TileRecord* out, int& written) {
    avx2::StepGroups(job, out, written);
}
}  // namespace

Kernels Avx2Kernels() { return Kernels{"avx2", StepAvx2}; }
#endif
}  // namespace gb::stepk
