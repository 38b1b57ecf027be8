# Runs one fuzzer for a bounded number of iterations over a fresh copy of
# its seed corpus, so that the source tree is never written to. MAX_LEN, when
# set, bounds the length of the inputs it makes.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
file(GLOB seeds ${SEEDS}/*)
if(seeds)
  file(COPY ${seeds} DESTINATION ${WORK})
endif()
set(max_len "")
if(MAX_LEN)
  set(max_len -max_len=${MAX_LEN})
endif()
execute_process(COMMAND ${FUZZER} -runs=${RUNS} -max_total_time=120 -timeout=10
                        -rss_limit_mb=2048 ${max_len} ${WORK}
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "fuzzer ${FUZZER} failed with ${rc}")
endif()
