// The step's inner loops for the generic instruction set (flags from cmake/CoreOptions.cmake).
#define GB_KERNEL_SET generic
#define GB_KERNEL_LANES 2
#include "engine/step_kernel_impl.h"

namespace gb::stepk {

namespace {
void StepGeneric(const Job& job, TileRecord* out, int& written) {
    generic::StepGroups(job, out, written);
}
}  // namespace

Kernels GenericKernels() { return Kernels{"generic", StepGeneric}; }

}  // namespace gb::stepk
