# The include check (cmake/CheckLayerIncludes.cmake): the engine, formats and session as they stand
# pass; a file reaching out of its layer, however spelt, fails it. Run with -DSOURCE_DIR=...
# -DWORK_DIR=...
set(check ${SOURCE_DIR}/cmake/CheckLayerIncludes.cmake)
function(run_check dirs allowed expect_ok)
  execute_process(COMMAND ${CMAKE_COMMAND} "-DDIRS=${dirs}" "-DALLOWED=${allowed}" -P ${check}
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(expect_ok AND NOT result EQUAL 0)
    message(FATAL_ERROR "${dirs} should pass:\n${out}")
  elseif(NOT expect_ok AND result EQUAL 0)
    message(FATAL_ERROR "${dirs} should fail")
  endif()
endfunction()

run_check(${SOURCE_DIR}/engine engine TRUE)
run_check(${SOURCE_DIR}/formats "formats;engine" TRUE)
run_check(${SOURCE_DIR}/session "session;formats;engine" TRUE)
foreach(line "#include \"engine/field.h\"\n#include <vector>\n"
             "#include \"../session/shell.h\"\n" "#  include \"session/context.h\"\n"
             "#include \"step.h\"\n" "#include \"engine/../session/host.h\"\n")
  file(REMOVE_RECURSE ${WORK_DIR})
  file(WRITE ${WORK_DIR}/probe.cpp "${line}")
  if(line MATCHES "^#include \"engine/field.h\"")
    run_check(${WORK_DIR} engine TRUE)
  else()
    run_check(${WORK_DIR} engine FALSE)
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK_DIR})
