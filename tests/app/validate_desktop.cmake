# The launcher entry and the software-centre metadata pass their validators
# without a warning, and the metadata's newest release is this version.
# Run as: cmake -DDESKTOP=... -DMETAINFO=... -DPROJECT_VERSION=... -P validate_desktop.cmake
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
find_program(APPSTREAMCLI appstreamcli)
if(NOT DESKTOP_FILE_VALIDATE OR NOT APPSTREAMCLI)
    # Reported as skipped (the test's SKIP_REGULAR_EXPRESSION).
    message("SKIP: desktop-file-validate or appstreamcli is not installed")
    return()
endif()

execute_process(COMMAND ${DESKTOP_FILE_VALIDATE} ${DESKTOP}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
# It prints nothing at all for a clean file; hints count as warnings here.
if(NOT result EQUAL 0 OR NOT out STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate ${DESKTOP}:\n${out}")
endif()

# No network here: the URLs' reachability is not what this checks.
execute_process(COMMAND ${APPSTREAMCLI} validate --no-net --pedantic ${METAINFO}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
string(REGEX MATCHALL "(^|\n)[EWI]: [^\n]*" problems "${out}")
if(NOT result EQUAL 0 OR problems)
    message(FATAL_ERROR "appstreamcli validate ${METAINFO}:\n${out}")
endif()

file(READ ${METAINFO} xml)
if(NOT xml MATCHES "<release version=\"([^\"]+)\"")
    message(FATAL_ERROR "${METAINFO} lists no release")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "${METAINFO}: newest release ${CMAKE_MATCH_1}, project version ${PROJECT_VERSION}")
endif()
message("desktop entry and metainfo valid")
