# Per-file options of the engine library. Only the vector sets of the step get instruction-set
# flags; the program chooses among them at run time, so it still runs on any x86-64 processor.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set_source_files_properties(core/engine/step_kernel_avx2.cpp PROPERTIES
    COMPILE_OPTIONS "-mavx2;-mpopcnt")
  set_source_files_properties(core/engine/step_kernel_avx512.cpp PROPERTIES
    COMPILE_OPTIONS "-mavx512f;-mavx512vl;-mavx512bw;-mavx512dq;-mavx512vbmi2;-mavx512vpopcntdq;-mpopcnt")
endif()

# The step runs large Fields on two threads.
find_package(Threads REQUIRED)
target_link_libraries(gridbloom_engine PUBLIC Threads::Threads)
# The step's kernels are plain loops over fixed-size arrays that the vectoriser turns into the
# set's instructions (its wide vectors pass only between its own inline functions, so GCC's
# ABI note about them does not apply).
set_property(SOURCE core/engine/step_kernel_generic.cpp core/engine/step_kernel_avx2.cpp
             core/engine/step_kernel_avx512.cpp APPEND PROPERTY COMPILE_OPTIONS "-O3;-Wno-psabi")
