# The sanitizer settings of every test, fuzzing and benchmark process, in one
# place. The CMake files include it (for the processes ctest starts); the
# scripts run it:  eval "$(cmake -P tests/support/sanitizers.cmake)"
set(VELUNDA_SANITIZER_ENV
  "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:halt_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
  "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/lsan.supp:print_suppressions=0"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
if(CMAKE_SCRIPT_MODE_FILE)
  foreach(setting IN LISTS VELUNDA_SANITIZER_ENV)
    string(REGEX REPLACE "^([A-Z_]+)=(.*)$" "export \\1='\\2'" line "${setting}")
    execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${line}")
  endforeach()
endif()
