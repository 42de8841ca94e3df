# The include check of the engine (cmake/CheckEngineIncludes.cmake): the engine as it stands
# passes; a file reaching out of the engine, however spelt, fails it. Run with -DSOURCE_DIR=...
# -DWORK_DIR=...
set(check ${SOURCE_DIR}/cmake/CheckEngineIncludes.cmake)
function(run_check dir expect_ok)
  execute_process(COMMAND ${CMAKE_COMMAND} -DDIR=${dir} -P ${check}
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(expect_ok AND NOT result EQUAL 0)
    message(FATAL_ERROR "${dir} should pass:\n${out}")
  elseif(NOT expect_ok AND result EQUAL 0)
    message(FATAL_ERROR "${dir} should fail")
  endif()
endfunction()

run_check(${SOURCE_DIR}/core/engine TRUE)
foreach(line "#include \"core/engine/field.h\"\n#include <vector>\n"
             "#include \"../shell.h\"\n" "#  include \"core/context.h\"\n" "#include \"step.h\"\n"
             "#include \"core/engine/../host.h\"\n")
  file(REMOVE_RECURSE ${WORK_DIR})
  file(WRITE ${WORK_DIR}/probe.cpp "${line}")
  if(line MATCHES "^#include \"core/engine/field.h\"")
    run_check(${WORK_DIR} TRUE)
  else()
    run_check(${WORK_DIR} FALSE)
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK_DIR})
