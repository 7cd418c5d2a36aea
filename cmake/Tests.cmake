# tavernix_add_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [TIMEOUT s])
# One QtTest executable per area. Every test runs on the offscreen platform
# so it needs no display.
function(tavernix_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    # Helpers that several areas' tests share (the message recorder).
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/test-config;XDG_DATA_HOME=${CMAKE_BINARY_DIR}/test-data;XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/test-runtime;QT_LOGGING_RULES=qt.multimedia*=false")
endfunction()
