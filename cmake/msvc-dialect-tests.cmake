# The talven.exe built in Microsoft's dialect, under Wine: the MinGW build's
# end-to-end and resource tests drive whichever talven.exe lies beside them,
# so they are copied beside this one. And the check that this configuration
# refuses what only GCC accepts.
set(TALVEN_UI_TESTS "" CACHE FILEPATH "ui_tests.exe of the MinGW build of the same architecture")
enable_testing()
add_test(NAME wine_prefix COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-prefix.sh template ${TALVEN_WINE_PREFIX})
add_test(NAME wine_prefix_end COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-prefix.sh end ${TALVEN_WINE_PREFIX})
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine_prefix_end PROPERTIES FIXTURES_CLEANUP wine)
add_test(NAME program_and_resources
         COMMAND sh -c "cp \"$1\" \"$2/\" && exec \"$3\" \"$4\" \"$2/ui_tests.exe\" --gtest_filter=Program.*:Resources.*"
                 sh ${TALVEN_UI_TESTS} $<TARGET_FILE_DIR:talven> ${CMAKE_SOURCE_DIR}/cmake/wine-test.sh ${TALVEN_WINE_PREFIX})
set_tests_properties(program_and_resources PROPERTIES FIXTURES_REQUIRED wine
  PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] 6 tests\\." FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]")

add_library(gcc_only OBJECT EXCLUDE_FROM_ALL cmake/gcc-only.cpp)
target_link_libraries(gcc_only PRIVATE talven_registry)
add_test(NAME gcc_only_construct_refused COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target gcc_only)
set_tests_properties(gcc_only_construct_refused PROPERTIES WILL_FAIL TRUE)
add_test(NAME manifest COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/manifest_test.py $<TARGET_FILE:talven>)
set_tests_properties(manifest PROPERTIES FAIL_REGULAR_EXPRESSION "FAIL ")
