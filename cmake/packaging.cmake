# What a Debian system expects beside the programs, and the package itself (CPack's DEB generator over the
# same install rules that `cmake --install` follows, so that the package and an installation from source
# never differ): manual pages made from the programs' --help texts, the AppStream metainfo, the copyright
# file and the changelog. scripts/package-debian builds the package; the tests check it.
if(WIN32 OR ZT30_FUZZ OR ZT30_SANITIZE OR NOT ZT30_BUILD_TOOLS)
    return()
endif()

# The release the package, the changelog and the metainfo name.
set(ZT30_RELEASE_DATE 2026-12-09)
find_program(ZT30_GZIP gzip REQUIRED)
set(zt30_package_dir ${CMAKE_BINARY_DIR}/packaging)

# Manual pages: each is made from `PROGRAM --help` (and zt30ctl's from each command's too) at build time.
set(zt30_man_pages)
function(zt30_man_page target name summary commands)
    set(page ${zt30_package_dir}/${name}.1.gz)
    add_custom_command(OUTPUT ${page}
        COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${target}> -DNAME=${name} -DSUMMARY=${summary}
                -DVERSION=${PROJECT_VERSION} -DCOMMANDS=${commands} -DGZIP=${ZT30_GZIP} -DOUTPUT=${page}
                -P ${CMAKE_SOURCE_DIR}/cmake/man_page.cmake
        DEPENDS ${target} ${CMAKE_SOURCE_DIR}/cmake/man_page.cmake
        COMMENT "Writing the manual page ${name}(1)"
        VERBATIM)
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    set(zt30_man_pages ${zt30_man_pages} ${page} PARENT_SCOPE)
endfunction()
zt30_man_page(zt30ctl zt30ctl "talk to ZANTOR 30 instruments from the command line, and log many of them" ON)
zt30_man_page(zt30-sim zt30-sim "simulated ZANTOR 30 instruments on a pseudo-terminal" OFF)
if(TARGET zt30)
    zt30_man_page(zt30 zt30 "operator tool of the ZANTOR 30 panel instrument" OFF)
endif()

configure_file(${CMAKE_SOURCE_DIR}/packaging/cz.orv.zt30.metainfo.xml.in
               ${zt30_package_dir}/cz.orv.zt30.metainfo.xml @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${zt30_package_dir}/changelog @ONLY)
add_custom_command(OUTPUT ${zt30_package_dir}/changelog.gz
    COMMAND ${ZT30_GZIP} -9n -f -k ${zt30_package_dir}/changelog
    DEPENDS ${zt30_package_dir}/changelog
    VERBATIM)
add_custom_target(zt30_package_files ALL DEPENDS ${zt30_man_pages} ${zt30_package_dir}/changelog.gz)
if(TARGET zt30)
    install(FILES ${zt30_package_dir}/cz.orv.zt30.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${zt30_package_dir}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zt30)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "ZT-30 developers <zt30@orv.cz>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "operator tool for the ZANTOR 30 panel instrument")
# The synopsis is the summary above; CPack indents these lines and makes the empty one a paragraph break.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "The ZANTOR 30 is a pulse counter, rate meter and flow meter with two alarm
outputs and an analog output. The program zt30 reads its measured value and
sum over the serial bus (PROFIBUS FDL) once a second, draws them on a live
chart, records them, and reads and writes the instrument's parameters.

zt30ctl does the same work from the command line; its logging service
(zt30ctl log, with the systemd unit zt30-logger.service) reads many
instruments on many lines into record files and an MQTT broker. zt30-sim
simulates instruments on a pseudo-terminal.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so no dependency of the binaries: the Czech texts of the toolkit's own dialogs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# The install runs with DESTDIR, so that the unit's absolute folder (/lib/systemd/system) lands in the package.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
