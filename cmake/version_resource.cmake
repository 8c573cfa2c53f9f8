# zt30_add_version_resource(TARGET DESCRIPTION): gives a Windows program file its version resource, built from
# the project version, with the company, product, description and file names as Explorer and the About dialog
# read them. No effect on other systems, where the version is built into the code instead.
set(ZT30_VERSION_RC_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/version.rc.in)

function(zt30_add_version_resource target description)
    if(NOT WIN32)
        return()
    endif()
    get_target_property(output_name ${target} OUTPUT_NAME)
    if(NOT output_name)
        set(output_name ${target})
    endif()
    set(ZT30_RC_NAME ${output_name})
    set(ZT30_RC_FILE ${output_name}${CMAKE_EXECUTABLE_SUFFIX})
    set(ZT30_RC_DESCRIPTION "${description}")
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
    configure_file(${ZT30_VERSION_RC_TEMPLATE} ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()
