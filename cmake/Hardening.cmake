# Hardening of the optimised builds (Release, RelWithDebInfo, MinSizeRel), the flags Debian
# builds its packages with: checked libc calls where sizes are known, stack protector,
# control-flow protection, position-independent executables, and relocations made read-only
# once resolved at start. What they cost the step and the readers is measured with
# gridbloom-bench (README, "Hardening"). The sanitizer and fuzzing builds go without: they
# check more than this, and _FORTIFY_SOURCE would hide calls from AddressSanitizer.
option(GRIDBLOOM_HARDEN "Build optimised configurations with the hardening flags" ON)
function(gridbloom_pie)
endfunction()
if(NOT GRIDBLOOM_HARDEN OR GRIDBLOOM_SANITIZE OR GRIDBLOOM_FUZZ)
  return()
endif()
set(optimised "$<NOT:$<CONFIG:Debug>>")
# -U first: some compilers define a level of their own, and a redefinition would be a warning.
add_compile_options("$<${optimised}:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=3>"
                    "$<${optimised}:-fstack-protector-strong>")
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64|i.86)$")
  add_compile_options("$<${optimised}:-fcf-protection>")
endif()
add_link_options("$<${optimised}:LINKER:-z,relro,-z,now>")
# Executables are position-independent (gridbloom_pie below); the static libraries keep the
# compiler's code model, which is PIE already where the compiler builds PIE by default (Debian),
# rather than -fPIC, whose interposable functions would not be inlined into each other.
include(CheckPIESupported)
check_pie_supported()
function(gridbloom_pie)
  set_target_properties(${ARGN} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()
