# The core never includes Qt: every build checks that the Qt libraries' sources carry a Qt name and that no
# other source includes Qt (cmake/check_qt_names.cmake), and stops with the file and line.
set(ZT30_NAMED_FOLDERS base app views config link cli logger sim)
set(zt30_qt_sources)
foreach(library zt30qtcore zt30gui)
    if(TARGET ${library})
        get_target_property(sources ${library} SOURCES)
        foreach(source IN LISTS sources)
            cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${CMAKE_SOURCE_DIR} NORMALIZE)
            cmake_path(RELATIVE_PATH source BASE_DIRECTORY ${CMAKE_SOURCE_DIR})
            list(APPEND zt30_qt_sources ${source})
        endforeach()
    endif()
endforeach()
list(JOIN zt30_qt_sources "," zt30_qt_sources)
list(JOIN ZT30_NAMED_FOLDERS "," zt30_named_folders)
set(zt30_named_globs)
foreach(folder IN LISTS ZT30_NAMED_FOLDERS)
    list(APPEND zt30_named_globs ${CMAKE_SOURCE_DIR}/${folder}/*.h ${CMAKE_SOURCE_DIR}/${folder}/*.cpp)
endforeach()
file(GLOB_RECURSE zt30_named_sources CONFIGURE_DEPENDS ${zt30_named_globs})
set(zt30_qt_names_stamp ${CMAKE_BINARY_DIR}/qt_names.stamp)
add_custom_command(OUTPUT ${zt30_qt_names_stamp}
    COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_SOURCE_DIR} -DFOLDERS=${zt30_named_folders}
            -DQT_SOURCES=${zt30_qt_sources} -DSTAMP=${zt30_qt_names_stamp}
            -P ${CMAKE_SOURCE_DIR}/cmake/check_qt_names.cmake
    DEPENDS ${zt30_named_sources} ${CMAKE_SOURCE_DIR}/cmake/check_qt_names.cmake
    COMMENT "Checking that the Qt files say so in their names and the core includes no Qt"
    VERBATIM)
add_custom_target(zt30_qt_names ALL DEPENDS ${zt30_qt_names_stamp})
