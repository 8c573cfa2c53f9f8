# Runs the portable-sources check over a small tree with known faults: it must fail and name exactly the POSIX
# header and calls by file and line, and nothing in comments, texts, member calls or the POSIX-only file.
execute_process(
    COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_CURRENT_LIST_DIR}/fixture -P ${CHECK_SCRIPT}
    RESULT_VARIABLE result
    ERROR_VARIABLE output)
if(result EQUAL 0)
    message(FATAL_ERROR "the check passed a tree with POSIX uses:\n${output}")
endif()
string(REGEX MATCHALL "[a-z_/]+\\.(cpp|h):[0-9]+: [^\n]*" findings "${output}")
set(expected
    "app/window.cpp:2: POSIX header <unistd.h>"
    "app/window.cpp:12: POSIX call ::usleep()"
    "link/serial_line.h:2: POSIX header <sys/ioctl.h>")
if(NOT findings STREQUAL expected)
    string(REPLACE ";" "\n" findings "${findings}")
    message(FATAL_ERROR "unexpected findings:\n${findings}\n--- whole output:\n${output}")
endif()
