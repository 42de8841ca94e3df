# Per-file options of the core library. Only the vector sets of the step get instruction-set
# flags; the program chooses among them at run time, so it still runs on any x86-64 processor.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set_source_files_properties(core/engine/step_kernel_avx2.cpp PROPERTIES
    COMPILE_OPTIONS "-mavx2;-mpopcnt")
  set_source_files_properties(core/engine/step_kernel_avx512.cpp PROPERTIES
    COMPILE_OPTIONS "-mavx512f;-mavx512bw;-mavx512vbmi;-mpopcnt")
endif()

# The step runs large Fields on two threads.
find_package(Threads REQUIRED)
target_link_libraries(gridbloom_core PUBLIC Threads::Threads)
