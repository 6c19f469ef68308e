# zelkor_add_test(<name> SOURCES <files...> LIBRARIES <targets...> [LABELS <labels...>] [TIMEOUT <s>])
#
# Builds one QtTest executable and registers it with CTest. Every test runs with the offscreen
# platform plugin (no display needed) and with the sanitizer options of the project.
#
# TSan cannot see how the uninstrumented Qt libraries synchronise: a queued signal's event is
# allocated in a worker thread and read in the receiver's, both inside Qt, and Qt's own threads
# (the file dialog's file-info gatherer, Qt's thread pool) share strings there. Accesses made
# from within those libraries are left out; the program's own are checked.

set(ZELKOR_SANITIZER_ENV
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1:suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp"
    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp")

function(zelkor_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBRARIES;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBRARIES})
    if(WIN32)
        # Without a console QtTest reports to the debugger only, so under Wine the report goes
        # to a file, which scripts/windows prints.
        add_test(NAME ${name} COMMAND ${name} -o ${name}.txt,txt)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${ZELKOR_SANITIZER_ENV}"
        TIMEOUT ${ARG_TIMEOUT}
        LABELS "${ARG_LABELS}")
endfunction()
