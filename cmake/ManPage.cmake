# Writes the manual page from its template and the program's own option list.
# Run as: cmake -DPROGRAM=... -DTEMPLATE=... -DOUTPUT=... -DPROJECT_VERSION=...
#               -DDATA_DIR=... -P ManPage.cmake
# The options are taken from "PROGRAM --help", so the page cannot fall behind
# the program when an option is added.
foreach(var PROGRAM TEMPLATE OUTPUT PROJECT_VERSION DATA_DIR)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "ManPage.cmake needs -D${var}=...")
    endif()
endforeach()

execute_process(COMMAND ${PROGRAM} --help
    OUTPUT_VARIABLE help RESULT_VARIABLE result ERROR_VARIABLE error)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --help failed (${result}): ${error}")
endif()

# Text for roff: backslashes and hyphens escaped, no line starting with a
# control character.
function(roff_text out text)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    if(text MATCHES "^[.']")
        set(text "\\&${text}")
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(options "")
set(entry_open FALSE)
set(in_options FALSE)
string(REPLACE "\n" ";" lines "${help}")
foreach(line IN LISTS lines)
    if(line MATCHES "^[A-Za-z].*:$")
        # "Options:" opens the list; anything after it is its entries.
        set(in_options TRUE)
        continue()
    endif()
    if(NOT in_options)
        continue()
    endif()
    if(line MATCHES "^  (-[^ ,<]+(, -[^ ,<]+)*)( <([^>]+)>)? +(.*)$")
        set(names "${CMAKE_MATCH_1}")
        # (if() would take a value name such as "N" for false.)
        set(value "${CMAKE_MATCH_4}")
        set(description "${CMAKE_MATCH_5}")
        string(REPLACE ", " ";" name_list "${names}")
        set(head "")
        foreach(name IN LISTS name_list)
            roff_text(name "${name}")
            if(head)
                string(APPEND head ", ")
            endif()
            string(APPEND head "\\fB${name}\\fR")
        endforeach()
        if(NOT value STREQUAL "")
            string(APPEND head " \\fI${value}\\fR")
        endif()
        roff_text(description "${description}")
        string(APPEND options ".TP\n${head}\n${description}\n")
        set(entry_open TRUE)
    elseif(entry_open AND line MATCHES "^ +([^ -].*)$")
        # A description wrapped onto the next line.
        roff_text(more "${CMAKE_MATCH_1}")
        string(APPEND options "${more}\n")
    elseif(NOT line STREQUAL "")
        set(entry_open FALSE)
    endif()
endforeach()
if(options STREQUAL "")
    message(FATAL_ERROR "no options found in the help text of ${PROGRAM}:\n${help}")
endif()
string(REGEX REPLACE "\n$" "" TAVERNIX_OPTIONS "${options}")

string(TIMESTAMP MAN_DATE "%Y-%m-%d" UTC) # honours SOURCE_DATE_EPOCH
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
