# Fails when a file of the engine (DIR) includes, with quotes, anything but another engine file
# named from the top of the tree ("core/engine/..."). The engine's include path already hides the
# rest of the program; this also refuses paths relative to the file ("../shell.h") and bare names.
file(GLOB files ${DIR}/*)
set(bad)
foreach(file ${files})
  file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line ${lines})
    if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*\"core/engine/[^/\"]+\"")
      get_filename_component(name ${file} NAME)
      list(APPEND bad "  ${name}: ${line}")
    endif()
  endforeach()
endforeach()
if(bad)
  list(JOIN bad "\n" text)
  message(FATAL_ERROR "The engine includes only the engine (core/engine/...):\n${text}")
endif()
