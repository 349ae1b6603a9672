# Runs one fuzz target briefly over a fresh copy of its seed corpus and fails on any finding.
#   cmake -DFUZZER=<program> -DSEEDS=<seed corpus dir> -DWORK=<scratch dir> [-DSECONDS=10] -P RunFuzzer.cmake
foreach(required FUZZER SEEDS WORK)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "RunFuzzer.cmake needs -D${required}=...")
  endif()
endforeach()
if(NOT DEFINED SECONDS)
  set(SECONDS 10)
endif()

# The fuzzer adds what it discovers to its corpus folder, so it works on a copy and the seeds stay as
# they are checked in.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/artifacts)
file(GLOB seeds ${SEEDS}/*)
file(COPY ${seeds} DESTINATION ${WORK}/corpus)

execute_process(
  COMMAND ${FUZZER} -max_total_time=${SECONDS} -timeout=10 -print_final_stats=1
          -artifact_prefix=${WORK}/artifacts/ ${WORK}/corpus
  RESULT_VARIABLE result)
file(GLOB artifacts ${WORK}/artifacts/*)
if(NOT result EQUAL 0 OR artifacts)
  message(FATAL_ERROR "${FUZZER} failed (exit ${result}); reproducers: ${artifacts}")
endif()
