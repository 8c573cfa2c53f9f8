# The Windows test programs of a cross-build run under Wine (Debian's wine64) in a prefix of their own in the
# build folder, without a display and without the network (scripts/under-wine). The prefix is made once by a
# CTest fixture that also maps its COM1 to the link the simulator places (tests/line), and its wineserver is
# ended by another after the last test.
set(ZT30_SIM_PROGRAM "" CACHE FILEPATH
    "zt30-sim built for this machine (the native build), which the Windows line tests start under Wine")
set(ZT30_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
set(ZT30_UNDER_WINE ${CMAKE_SOURCE_DIR}/scripts/under-wine)

add_test(NAME wine_prefix COMMAND bash ${ZT30_UNDER_WINE} ${ZT30_WINE_DIR} init)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
add_test(NAME wine_stop COMMAND bash ${ZT30_UNDER_WINE} ${ZT30_WINE_DIR} stop)
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)

# zt30_add_wine_test(TARGET): the whole test program as one CTest test, run under Wine.
function(zt30_add_wine_test target)
    add_test(NAME ${target} COMMAND bash ${ZT30_UNDER_WINE} ${ZT30_WINE_DIR} run $<TARGET_FILE:${target}>)
    set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine)
endfunction()
