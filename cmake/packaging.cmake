# The release of the Windows build: a zip of the stripped programs, a
# Windows-facing README and the licence, made by CPack, the same bytes
# however often and wherever the same commit is built.

# Every date in the package is the last commit's, unless SOURCE_DATE_EPOCH
# says otherwise.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(TALVEN_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C ${CMAKE_SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE TALVEN_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE git_failed ERROR_QUIET)
  if(git_failed OR TALVEN_SOURCE_DATE_EPOCH STREQUAL "")
    set(TALVEN_SOURCE_DATE_EPOCH 0)
  endif()
endif()

# Texts for Windows have CRLF line ends.
function(talven_windows_text source name)
  file(READ ${source} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${CMAKE_BINARY_DIR}/packaging/${name} "${text}")
  install(FILES ${CMAKE_BINARY_DIR}/packaging/${name} DESTINATION . PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endfunction()

install(TARGETS talven talvenctl RUNTIME DESTINATION .
        PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
talven_windows_text(${CMAKE_SOURCE_DIR}/packaging/README.txt README.txt)
talven_windows_text(${CMAKE_SOURCE_DIR}/LICENSE LICENSE.txt)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(CPACK_SYSTEM_NAME win32)
else()
  set(CPACK_SYSTEM_NAME win64)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME talven)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(TALVEN_PACKAGE_NAME talven-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
set(CPACK_PACKAGE_FILE_NAME ${TALVEN_PACKAGE_NAME})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_TALVEN_SOURCE_DATE_EPOCH ${TALVEN_SOURCE_DATE_EPOCH})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/package-config.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package-normalize.cmake)
include(CPack)
