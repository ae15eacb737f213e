# Shared build helpers: warnings for our own code and one-line test registration.

function(tav_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
endfunction()

# tav_add_static_library(NAME SOURCES ... LIBS ...)
function(tav_add_static_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    tav_warnings(${name})
endfunction()

# tav_add_test(NAME SOURCES ... LIBS ... [TIMEOUT SECONDS])
# Builds one QtTest executable into build/tests-bin and registers it with CTest, headless. Every test's cap is
# 300 s; TIMEOUT only raises it (a test that unpacks large archives), a smaller figure is not taken.
function(tav_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt5::Test ${ARG_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests-bin)
    target_compile_definitions(${name} PRIVATE TAV_BIN_DIR="${TAV_BIN_DIR}"
                                               TAV_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    tav_warnings(${name})
    add_test(NAME ${name} COMMAND ${name})
    # The cap only stops a hang: a test waits for what it tests and fails at once saying what it met, and a
    # starved machine stretches a whole program several-fold.
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    elseif(ARG_TIMEOUT LESS 300)
        message(FATAL_ERROR "${name}: TIMEOUT ${ARG_TIMEOUT} is below every test's cap of 300 s")
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
endfunction()

# tav_add_bench(NAME SOURCES ... LIBS ...): run by hand, never by CTest.
function(tav_add_bench name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench-bin)
    tav_warnings(${name})
endfunction()
