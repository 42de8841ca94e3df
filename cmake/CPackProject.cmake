# Read by cpack before it packs: the file times in the package are those of the last commit, as
# SOURCE_DATE_EPOCH says (a value already in the environment wins). Reading the log of a checkout
# that another user owns is allowed for this one command. Without git or a checkout the date of
# the newest entry of docs/changelog stands in, as Debian's own builds take it.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(source "${CPACK_GRIDBLOOM_SOURCE_DIR}")
  execute_process(COMMAND git -c "safe.directory=${source}" -C "${source}" log -1 --format=%ct
                  OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE failed ERROR_QUIET)
  if(failed OR NOT epoch MATCHES "^[0-9]+$")
    file(STRINGS "${source}/docs/changelog" trailer REGEX "^ -- .*>  " LIMIT_COUNT 1)
    string(REGEX REPLACE "^ -- .*>  " "" date "${trailer}")
    execute_process(COMMAND date -u -d "${date}" +%s
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE failed ERROR_QUIET)
  endif()
  if(NOT failed AND epoch MATCHES "^[0-9]+$")
    set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
  endif()
endif()
