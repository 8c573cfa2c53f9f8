# The windowed program is built on Windows too: every build checks that its sources use no POSIX header or
# call outside the POSIX-only files (cmake/check_portable_sources.cmake), and stops with the file and line.
set(ZT30_PORTABLE_FOLDERS base app views config link)
set(zt30_portable_globs)
foreach(folder IN LISTS ZT30_PORTABLE_FOLDERS)
    foreach(extension h hpp cpp cc)
        list(APPEND zt30_portable_globs ${CMAKE_SOURCE_DIR}/${folder}/*.${extension})
    endforeach()
endforeach()
file(GLOB_RECURSE zt30_portable_sources CONFIGURE_DEPENDS ${zt30_portable_globs})
set(zt30_portable_stamp ${CMAKE_BINARY_DIR}/portable_sources.stamp)
add_custom_command(OUTPUT ${zt30_portable_stamp}
    COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_SOURCE_DIR} -DSTAMP=${zt30_portable_stamp}
            -P ${CMAKE_SOURCE_DIR}/cmake/check_portable_sources.cmake
    DEPENDS ${zt30_portable_sources} ${CMAKE_SOURCE_DIR}/cmake/check_portable_sources.cmake
    COMMENT "Checking that the windowed sources use no POSIX header or call"
    VERBATIM)
add_custom_target(zt30_portable_sources ALL DEPENDS ${zt30_portable_stamp})
