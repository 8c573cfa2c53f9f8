# The windowed program is built on Windows as well, so its sources (base/, app/, views/, config/ and link/,
# core and windows alike) use no POSIX header and no POSIX call. The files that only POSIX systems compile are named in
# POSIX_ONLY. Every other hit fails with its file and line. Comments and text in quotes are not looked at.
#
#   cmake -DROOT=<source folder> [-DFOLDERS=a,b] [-DPOSIX_ONLY=x,y] [-DSTAMP=<file>] -P check_portable_sources.cmake
cmake_minimum_required(VERSION 3.25)

if(NOT DEFINED ROOT)
    message(FATAL_ERROR "check_portable_sources: ROOT is not set")
endif()
if(NOT DEFINED FOLDERS)
    set(FOLDERS base,app,views,config,link)
endif()
if(NOT DEFINED POSIX_ONLY)
    # The POSIX serial backend and the seam through which it makes its system calls; the sockets of the
    # network line on POSIX, and on Windows, whose select() is Winsock's own; the POSIX file writer.
    string(JOIN "," POSIX_ONLY
        link/posix_serial_backend.h link/posix_serial_backend.cpp link/posix_system.h link/posix_system.cpp
        link/socket_system_posix.cpp link/socket_system_win32.cpp base/file_by_rename_posix.cpp)
endif()
string(REPLACE "," ";" folders "${FOLDERS}")
string(REPLACE "," ";" posix_only "${POSIX_ONLY}")

set(posix_headers
    "unistd|fcntl|termios|termio|poll|pthread|dirent|dlfcn|spawn|pwd|grp|semaphore|strings|syslog|libgen|glob"
    "|fnmatch|sched|utmp|wordexp|sys/[A-Za-z0-9_/]+|netinet/[A-Za-z0-9_/]+|arpa/[A-Za-z0-9_/]+"
    "|asm/[A-Za-z0-9_/]+|linux/[A-Za-z0-9_/]+")
string(JOIN "" posix_headers ${posix_headers})
set(include_pattern "^[ \t]*#[ \t]*include[ \t]*<(${posix_headers})\\.h>")

set(posix_calls
    "fork|vfork|execv|execve|execvp|execl|execlp|pipe|pipe2|poll|ppoll|select|pselect|ioctl|tcgetattr"
    "|tcsetattr|tcflush|tcdrain|cfsetispeed|cfsetospeed|cfmakeraw|flock|fcntl|usleep|nanosleep|clock_gettime"
    "|waitpid|posix_spawn|posix_openpt|grantpt|unlockpt|ptsname|kill|sigaction|sigprocmask|dup2|isatty"
    "|symlink|readlink|realpath|mkstemp|mkostemp|setenv|unsetenv|getuid|geteuid|getpwuid|strerror_r"
    "|localtime_r|gmtime_r|opendir|readdir|sysconf|mmap|munmap|dlopen|dlsym|pthread_[a-z_]+")
string(JOIN "" posix_calls ${posix_calls})
# A free function called as such, not a member (".x(", "->x(", "Class::x("); "::x(" is the global one.
set(call_pattern "(^|[^A-Za-z0-9_.>:])(::)?(${posix_calls})[ \t]*\\(")

# Removes comments from one line, carrying an open block comment over to the next line.
function(strip_comments line in_comment_var code_var)
    set(in_comment ${${in_comment_var}})
    set(code "")
    while(NOT line STREQUAL "")
        if(in_comment)
            string(FIND "${line}" "*/" end)
            if(end EQUAL -1)
                set(line "")
            else()
                math(EXPR end "${end} + 2")
                string(SUBSTRING "${line}" ${end} -1 line)
                set(in_comment FALSE)
            endif()
        else()
            string(FIND "${line}" "//" line_comment)
            string(FIND "${line}" "/*" block)
            if(block EQUAL -1 OR (NOT line_comment EQUAL -1 AND line_comment LESS block))
                if(NOT line_comment EQUAL -1)
                    string(SUBSTRING "${line}" 0 ${line_comment} line)
                endif()
                string(APPEND code "${line}")
                set(line "")
            else()
                string(SUBSTRING "${line}" 0 ${block} before)
                string(APPEND code "${before} ")
                math(EXPR block "${block} + 2")
                string(SUBSTRING "${line}" ${block} -1 line)
                set(in_comment TRUE)
            endif()
        endif()
    endwhile()
    set(${in_comment_var} ${in_comment} PARENT_SCOPE)
    set(${code_var} "${code}" PARENT_SCOPE)
endfunction()

set(findings "")
foreach(folder IN LISTS folders)
    file(GLOB_RECURSE files RELATIVE "${ROOT}" "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.hpp"
         "${ROOT}/${folder}/*.cpp" "${ROOT}/${folder}/*.cc")
    list(SORT files)
    foreach(file IN LISTS files)
        if(file IN_LIST posix_only)
            continue()
        endif()
        file(READ "${ROOT}/${file}" text)
        # Escapes first, so an escaped quote cannot end a text; then texts and characters in quotes; then the
        # characters that CMake's lists would take for their own.
        string(REGEX REPLACE "\\\\." "__" text "${text}")
        string(REGEX REPLACE "\"[^\"\n]*\"" "\"\"" text "${text}")
        string(REGEX REPLACE "'[^'\n]*'" "''" text "${text}")
        string(REGEX REPLACE "[][;]" " " text "${text}")
        string(REPLACE "\n" ";" lines "${text}")
        set(number 0)
        set(in_comment FALSE)
        foreach(line IN LISTS lines)
            math(EXPR number "${number} + 1")
            strip_comments("${line}" in_comment code)
            if(code MATCHES "${include_pattern}")
                list(APPEND findings "${file}:${number}: POSIX header <${CMAKE_MATCH_1}.h>")
            elseif(code MATCHES "${call_pattern}")
                list(APPEND findings "${file}:${number}: POSIX call ${CMAKE_MATCH_2}${CMAKE_MATCH_3}()")
            endif()
        endforeach()
    endforeach()
endforeach()

if(findings)
    list(JOIN findings "\n" text)
    message(FATAL_ERROR "${text}\nThe windowed program is built on Windows too: keep POSIX headers and calls "
                        "in the POSIX-only files (cmake/check_portable_sources.cmake names them).")
endif()
if(DEFINED STAMP)
    file(TOUCH "${STAMP}")
endif()
