# Runs chmcmd on the help project and fails the build on any error or warning
# it reports (chmcmd itself exits with 0 after most of them, for instance after
# a link to an anchor that no page defines).
#
# Input variables: CHMCMD (the compiler), PROJECT_FILE (the .hhp), WORK_DIR
# (where chmcmd runs and writes the .chm), OUTPUT (where the .chm belongs).

foreach(requiredVar CHMCMD PROJECT_FILE WORK_DIR OUTPUT)
    if(NOT DEFINED ${requiredVar})
        message(FATAL_ERROR "compile_chm.cmake: ${requiredVar} is not set")
    endif()
endforeach()

# chmcmd names its output after the project's "Compiled file" option.
file(STRINGS ${PROJECT_FILE} compiledLine REGEX "^Compiled file=")
string(REGEX REPLACE "^Compiled file=" "" compiledName "${compiledLine}")
string(STRIP "${compiledName}" compiledName)
if(compiledName STREQUAL "")
    message(FATAL_ERROR "${PROJECT_FILE} names no \"Compiled file\"")
endif()

# A stale file from an earlier run must not pass for a fresh one.
file(MAKE_DIRECTORY ${WORK_DIR})
file(REMOVE ${WORK_DIR}/${compiledName})

execute_process(
    COMMAND ${CHMCMD} ${PROJECT_FILE}
    WORKING_DIRECTORY ${WORK_DIR}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE log
    ERROR_VARIABLE log)

string(REGEX MATCHALL "(Error|Warning):[^\n]*" problems "${log}")
if(NOT result EQUAL 0 OR problems OR NOT EXISTS ${WORK_DIR}/${compiledName})
    message(FATAL_ERROR "chmcmd failed on ${PROJECT_FILE} (exit ${result}):\n${log}")
endif()

get_filename_component(outputDir ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${outputDir})
file(COPY_FILE ${WORK_DIR}/${compiledName} ${OUTPUT})
# Newer than its sources, so the next build does not compile it again.
file(TOUCH ${OUTPUT})
