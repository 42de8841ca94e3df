# Runs last in an install: adds what this install wrote to the record of its destination in the
# build folder (GRIDBLOOM_INSTALL_RECORDS), from which cmake/Uninstall.cmake removes it again.
# Each destination has its own record, so installing elsewhere, or building the package, never
# touches what an uninstall of another prefix removes. CPack's staging folders get none.
set(destination "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
if(NOT destination MATCHES "/_CPack_Packages/")
  get_filename_component(destination "${destination}" ABSOLUTE)
  string(MD5 key "${destination}")
  set(record "${GRIDBLOOM_INSTALL_RECORDS}/${key}.txt")
  # The install's list names the files without DESTDIR; the record names them where they are.
  set(files)
  foreach(file IN LISTS CMAKE_INSTALL_MANIFEST_FILES)
    list(APPEND files "$ENV{DESTDIR}${file}")
  endforeach()
  if(EXISTS "${record}")
    file(STRINGS "${record}" earlier REGEX "^/")
    list(APPEND files ${earlier})
  endif()
  list(REMOVE_DUPLICATES files)
  list(SORT files)
  string(REPLACE ";" "\n" lines "${files}")
  file(WRITE "${record}" "# gridbloom installed into ${destination}\n${lines}\n")
endif()
