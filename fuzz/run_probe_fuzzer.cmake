# Builds the probe fuzzer and runs it briefly over the kept corpus. New
# inputs go to a scratch folder in the build tree, not into the corpus.
#   -DBUILD_DIR= -DTARGET= -DFUZZER= -DCORPUS= -DWORK= -DSECONDS=
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${TARGET}
                RESULT_VARIABLE built)
if(NOT built EQUAL 0)
    message(FATAL_ERROR "building ${TARGET} failed")
endif()
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=10 -rss_limit_mb=2048
                        -print_final_stats=1 ${WORK} ${CORPUS}
                RESULT_VARIABLE ran)
if(NOT ran EQUAL 0)
    message(FATAL_ERROR "the probe fuzzer found a fault (exit ${ran}); the input is in the working folder")
endif()
