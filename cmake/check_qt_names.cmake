# A file's name says whether it uses Qt: every source of a Qt library ends in _qt, _dialog, _window or _widget
# (a program's main.cpp aside), and no other file of the source folders includes a Qt header. Each hit fails
# with its file (and line).
#
#   cmake -DROOT=<source folder> -DFOLDERS=a,b [-DQT_SOURCES=x,y] [-DSTAMP=<file>] -P check_qt_names.cmake
cmake_minimum_required(VERSION 3.25)

if(NOT DEFINED ROOT OR NOT DEFINED FOLDERS)
    message(FATAL_ERROR "check_qt_names: ROOT and FOLDERS must be set")
endif()
string(REPLACE "," ";" folders "${FOLDERS}")
string(REPLACE "," ";" qt_sources "${QT_SOURCES}")
set(qt_name "(_qt|_dialog|_window|_widget)\\.[a-z]+$|(^|/)main\\.cpp$")

set(findings "")
foreach(file IN LISTS qt_sources)
    if(NOT file MATCHES "${qt_name}")
        list(APPEND findings "${file}: in a Qt library without a Qt name")
    endif()
endforeach()
foreach(folder IN LISTS folders)
    file(GLOB_RECURSE files RELATIVE "${ROOT}" "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp")
    list(SORT files)
    foreach(file IN LISTS files)
        if(file MATCHES "${qt_name}")
            continue()
        endif()
        file(STRINGS "${ROOT}/${file}" lines)
        set(number 0)
        foreach(line IN LISTS lines)
            math(EXPR number "${number} + 1")
            if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*<(Q[A-Za-z0-9_/]*)(\\.h)?>")
                list(APPEND findings "${file}:${number}: Qt header <${CMAKE_MATCH_1}> in a core file")
            endif()
        endforeach()
    endforeach()
endforeach()

if(findings)
    list(JOIN findings "\n" text)
    message(FATAL_ERROR "${text}\nThe core never includes Qt: a file that does ends in _qt, _dialog, _window or "
                        "_widget and belongs to a Qt library (cmake/check_qt_names.cmake).")
endif()
if(DEFINED STAMP)
    file(TOUCH "${STAMP}")
endif()
