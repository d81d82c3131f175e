# Run by CPack once the zips are made: their members in order of name, every
# date the source date, nothing else that says when or where they were made.
find_program(strip_nondeterminism strip-nondeterminism)
if(NOT strip_nondeterminism)
  message(WARNING "strip-nondeterminism not found: the packages record when they were made")
  return()
endif()
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND ${strip_nondeterminism} --type zip --timestamp ${CPACK_TALVEN_SOURCE_DATE_EPOCH}
                          ${package}
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()
