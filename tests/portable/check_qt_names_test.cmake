# Runs the Qt-names check over a small tree with known faults: it must fail and name exactly the Qt library
# file without the marker and the core file with a Qt header, and pass the marked files and main.cpp.
execute_process(
    COMMAND ${CMAKE_COMMAND} -DROOT=${CMAKE_CURRENT_LIST_DIR}/qt_fixture -DFOLDERS=app,views
            -DQT_SOURCES=app/main.cpp,views/plot_widget.cpp,views/plot_model.cpp -P ${CHECK_SCRIPT}
    RESULT_VARIABLE result
    ERROR_VARIABLE output)
if(result EQUAL 0)
    message(FATAL_ERROR "the check passed a tree with misnamed Qt files:\n${output}")
endif()
string(REGEX MATCHALL "[a-z_/]+\\.(cpp|h)(:[0-9]+)?: [^\n]*" findings "${output}")
set(expected
    "views/plot_model.cpp: in a Qt library without a Qt name"
    "views/plot.h:3: Qt header <QPainter> in a core file"
    "views/plot_model.cpp:1: Qt header <QString> in a core file")
if(NOT findings STREQUAL expected)
    string(REPLACE ";" "\n" findings "${findings}")
    message(FATAL_ERROR "unexpected findings:\n${findings}\n--- whole output:\n${output}")
endif()
