# The layers, arrows down only. Every library adds one include directory: a folder of the build
# tree that holds links to the library's own source folders and nothing else. A library sees its
# own headers and, through the libraries it links, those of the layers below; a header of a layer
# above is not found, so an arrow upwards does not compile. A check before each build refuses the
# spellings that would get round the include path ("../", bare names).

# Adds to target (with the given scope) an include directory that holds links to the given source
# folders alone.
function(gridbloom_include_folders target scope)
  set(dir ${PROJECT_BINARY_DIR}/layers/${target})
  foreach(folder ${ARGN})
    get_filename_component(parent ${dir}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${dir}/${folder} SYMBOLIC)
  endforeach()
  target_include_directories(${target} ${scope} ${dir})
endfunction()

# A library of a layer: its own FOLDERS, which may include their own headers and those of the
# folders it SEES below (through the libraries it links).
function(gridbloom_layer target)
  cmake_parse_arguments(arg "" "" "FOLDERS;SEES" ${ARGN})
  gridbloom_include_folders(${target} PUBLIC ${arg_FOLDERS})
  set(source_dirs)
  foreach(folder ${arg_FOLDERS})
    list(APPEND source_dirs ${PROJECT_SOURCE_DIR}/${folder})
  endforeach()

  set(files)
  foreach(source_dir ${source_dirs})
    file(GLOB folder_files CONFIGURE_DEPENDS ${source_dir}/*.h ${source_dir}/*.cpp)
    list(APPEND files ${folder_files})
  endforeach()
  set(stamp ${PROJECT_BINARY_DIR}/layers/${target}.checked)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} "-DDIRS=${source_dirs}" "-DALLOWED=${arg_FOLDERS};${arg_SEES}"
      -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayerIncludes.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/CheckLayerIncludes.cmake
    COMMENT "Checking the includes of ${target}"
    VERBATIM)
  add_custom_target(${target}_includes DEPENDS ${stamp})
  add_dependencies(${target} ${target}_includes)
endfunction()
