# Writes a manual page from a program's --help text, so that the two never say different things:
#   cmake -DPROGRAM=path -DNAME=zt30ctl -DSUMMARY="..." -DVERSION=2.0.0.0 -DCOMMANDS=ON -DGZIP=gzip
#         -DOUTPUT=zt30ctl.1.gz -P man_page.cmake
# The page holds the text as the program prints it (no filling), under NAME and DESCRIPTION; with COMMANDS,
# every command listed under "Commands:" of the text gets its own `PROGRAM COMMAND --help` under COMMANDS.

function(help_of out)
    execute_process(COMMAND ${PROGRAM} ${ARGN} --help OUTPUT_VARIABLE text RESULT_VARIABLE status
                    ERROR_VARIABLE error)
    if(NOT status EQUAL 0 OR text STREQUAL "")
        message(FATAL_ERROR "${PROGRAM} ${ARGN} --help failed (${status}): ${error}")
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The text as lines of roff that show it as it is: backslashes and minus signs escaped, a line that would
# start with a request protected.
function(roff_of out text)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    set(${out} ".nf\n${text}.fi\n" PARENT_SCOPE)
endfunction()

string(TOUPPER "${NAME}" title)
string(REPLACE "-" "\\-" summary "${SUMMARY}")
set(page ".TH ${title} 1 \"\" \"zt30 ${VERSION}\" \"User Commands\"\n.SH NAME\n${NAME} \\- ${summary}\n")
help_of(main)
roff_of(body "${main}")
string(APPEND page ".SH DESCRIPTION\n${body}")
if(COMMANDS)
    string(APPEND page ".SH COMMANDS\n")
    string(REGEX MATCH "\nCommands:\n(([ ]+[^\n]*\n)+)" listing "${main}")
    string(REGEX MATCHALL "\n  [a-z]+" names "\n${CMAKE_MATCH_1}")
    foreach(entry IN LISTS names)
        string(STRIP "${entry}" command)
        help_of(text ${command})
        roff_of(body "${text}")
        string(APPEND page ".SS ${command}\n${body}")
    endforeach()
endif()
file(WRITE ${OUTPUT}.tmp "${page}")
execute_process(COMMAND ${GZIP} -9n -c ${OUTPUT}.tmp OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE status)
file(REMOVE ${OUTPUT}.tmp)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip failed for ${OUTPUT}")
endif()
