# Runs one fuzz harness for a fixed number of inputs, as a test: cmake -P RunFuzzer.cmake with
#   FUZZER    the harness executable
#   CORPUS    its committed seed inputs; they are copied, the fuzzer only writes into WORK
#   WORK      a folder of the build tree, emptied first
#   RUNS      inputs to try after the seeds
#   MAX_LEN   the largest input in bytes
#   DICT      optional: a libFuzzer dictionary
# Any finding (crash, sanitizer report, leak, time-out, memory limit, failed property) fails
# the test and prints the input that caused it.

foreach(var FUZZER CORPUS WORK RUNS MAX_LEN)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "RunFuzzer.cmake needs -D${var}=...")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/corpus" "${WORK}/findings")
file(GLOB seeds "${CORPUS}/*")
file(COPY ${seeds} DESTINATION "${WORK}/corpus")

# ASan keeps freed memory in quarantine to catch late uses; with its default of 256 MB of
# small blocks that alone would reach the RSS limit. 16 MB still catches the uses right after
# a free, and the RSS limit stays a measure of what the code under test holds.
set(ENV{ASAN_OPTIONS} "quarantine_size_mb=16:detect_leaks=1:$ENV{ASAN_OPTIONS}")
set(ENV{UBSAN_OPTIONS} "print_stacktrace=1:$ENV{UBSAN_OPTIONS}")
# Harnesses that write files (the configuration's round trip) write into TMPDIR; on a RAM
# disk their syncs cost nothing.
execute_process(COMMAND test -d /dev/shm -a -w /dev/shm RESULT_VARIABLE shm_test)
if(shm_test EQUAL 0)
  set(ENV{TMPDIR} /dev/shm)
endif()

# A fixed seed: the suite explores the same inputs on every run, so a run that fails fails
# again; longer runs with other seeds are made by hand (README).
if(NOT DEFINED SEED)
  set(SEED 1)
endif()
set(arguments
    -seed=${SEED} -runs=${RUNS} -max_len=${MAX_LEN} -timeout=10 -rss_limit_mb=512 -malloc_limit_mb=256
    -print_final_stats=1 -artifact_prefix=${WORK}/findings/)
if(DICT)
  list(APPEND arguments -dict=${DICT})
endif()

string(TIMESTAMP started "%s")
execute_process(COMMAND "${FUZZER}" ${arguments} "${WORK}/corpus"
                RESULT_VARIABLE result OUTPUT_FILE "${WORK}/output.txt"
                ERROR_FILE "${WORK}/output.txt")
string(TIMESTAMP ended "%s")
math(EXPR seconds "${ended} - ${started}")
file(STRINGS "${WORK}/output.txt" output)

file(GLOB findings "${WORK}/findings/*")
if(result EQUAL 0 AND NOT findings)
  # The coverage reached and the speed, for the test's log.
  foreach(line IN LISTS output)
    if(line MATCHES "DONE|^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)")
      message(STATUS "${line}")
    endif()
  endforeach()
  message(STATUS "${RUNS} inputs in ${seconds} s, no finding")
  return()
endif()

# The report: the fuzzer's last lines hold the sanitizer's or the property's message and
# the stack.
list(LENGTH output count)
math(EXPR first "${count} - 120")
if(first LESS 0)
  set(first 0)
endif()
list(SUBLIST output ${first} -1 tail)
list(JOIN tail "\n" report)
message("${report}\n")
foreach(finding IN LISTS findings)
  file(SIZE "${finding}" size)
  file(READ "${finding}" bytes LIMIT 1024 HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\1 " bytes "${bytes}")
  string(REGEX REPLACE "(([0-9a-f][0-9a-f] ){32})" "\\1\n  " bytes "${bytes}")
  message("Input (${size} bytes, first 1024 shown) in ${finding}:\n  ${bytes}\n"
          "Run it again with: ${FUZZER} ${finding}\n")
endforeach()
message(FATAL_ERROR "${FUZZER}: finding after ${seconds} s (exit code ${result})")
