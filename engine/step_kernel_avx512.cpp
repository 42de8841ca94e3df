// The step's inner loops for the avx512 instruction set (flags from cmake/CoreOptions.cmake).
#define GB_KERNEL_SET avx512
#define GB_KERNEL_LANES 8
#include "engine/step_kernel_impl.h"

namespace gb::stepk {
#if defined(__x86_64__) || defined(_M_X64)
namespace {
void StepAvx512(const Job& job, TileRecord* out, int& written) {
    avx512::StepGroups(job, out, written);
}
}  // namespace

Kernels Avx512Kernels() { return Kernels{"avx512", StepAvx512}; }
#endif
}  // namespace gb::stepk
