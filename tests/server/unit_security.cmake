# Rates the installed service unit with "systemd-analyze security" and fails
# unless it is "OK" or better. Skipped where systemd-analyze is missing.
find_program(ANALYZE systemd-analyze)
if(NOT ANALYZE)
    message("SKIP: systemd-analyze is not installed")
    return()
endif()
execute_process(COMMAND ${ANALYZE} security --offline=yes --no-pager ${UNIT}
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT out MATCHES "Overall exposure level for [^:]+: ([0-9.]+) ([A-Z]+)")
    message(FATAL_ERROR "no rating from systemd-analyze (${rc}):\n${out}\n${err}")
endif()
set(exposure ${CMAKE_MATCH_1})
set(level ${CMAKE_MATCH_2})
if(NOT level MATCHES "^(PERFECT|SAFE|OK)$")
    message(FATAL_ERROR "the unit rates ${exposure} ${level}, worse than OK:\n${out}")
endif()
message(STATUS "exposure ${exposure} ${level}")
