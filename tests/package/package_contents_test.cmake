# The package holds exactly the files of EXPECTED (mode, owner, path), and its dependencies were computed
# from the binaries. CONFIG: the build's CPackConfig.cmake; WORK: a folder of the test's own.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND cpack -G DEB --config ${CONFIG} -B ${WORK} RESULT_VARIABLE status ERROR_VARIABLE err)
file(GLOB deb ${WORK}/*.deb)
execute_process(COMMAND dpkg-deb -c ${deb} OUTPUT_VARIABLE listing)
# "-rwxr-xr-x root/root 123 2026-12-09 12:00 ./usr/bin/zt30" gives "-rwxr-xr-x root/root ./usr/bin/zt30".
string(REGEX REPLACE "(^|\n)d[^\n]*" "" listing "${listing}")
string(REGEX REPLACE " +[0-9]+ [0-9-]+ [0-9:]+ " " " listing "${listing}")
string(STRIP "${listing}" listing)
file(STRINGS ${EXPECTED} expected REGEX "^[^#]")
list(JOIN expected "\n" expected)
execute_process(COMMAND dpkg-deb -f ${deb} Depends OUTPUT_VARIABLE depends)
if(NOT status EQUAL 0 OR NOT listing STREQUAL expected OR NOT depends MATCHES "libqt6widgets6.*libpaho|libpaho.*libqt6")
    message(FATAL_ERROR "cpack (${status}) ${err}\nthe package holds:\n${listing}\nDepends: ${depends}")
endif()
