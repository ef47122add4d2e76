cmake_minimum_required(VERSION 3.25)
# Checks a binary's dynamic symbol table: the eighteen time functions are exported, and no other
# symbol of our own code is. Ours: a global symbol that our objects define and that names our
# namespace or a global function or variable. Instances of the C++ runtime's templates and
# compiler-made type information (sanitizer builds emit some for function types) may appear.
# cmake -DNM=<nm> -DBINARY=<file> -DOURS=<archive|object|...> -P check_exports.cmake
set(expected
  FileTimeGetMax FileTimeDiff FileTimeSum TimeToFileTime SecondsToFileTime mSecondsToFileTime
  FileTimeToSeconds FileTimeTomSeconds FileTimeMult FileTimeAddDays FileTimeTomSeconds64
  FileTimeToTime CompareFileTimeBias GetCurrentBias FileTimeToLocalFileTimeBias
  LocalFileTimeToFileTimeBias LocalTimeLessDays GetDayOfYear)

function(defined_symbols out)
  execute_process(COMMAND ${NM} ${ARGN} --defined-only --demangle --format=posix
    OUTPUT_VARIABLE text ERROR_VARIABLE errors RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "nm failed: ${errors}")
  endif()
  string(REPLACE "\n" ";" lines "${text}")
  set(names)
  foreach(line IN LISTS lines)
    # "name type value [size]", the name possibly with spaces; archive member headers end in
    # ":". Global symbols only: nm marks local ones with a lower-case type letter.
    if(line MATCHES "^(.+) ([A-Z]) [0-9a-f]+( [0-9a-f]+)?$")
      string(REPLACE ";" "," name "${CMAKE_MATCH_1}")
      list(APPEND names "${name}")
    endif()
  endforeach()
  set(${out} ${names} PARENT_SCOPE)
endfunction()

defined_symbols(exported -D ${BINARY})
string(REPLACE "|" ";" ours "${OURS}")
defined_symbols(global ${ours})

set(failed FALSE)
foreach(name IN LISTS expected)
  if(NOT name IN_LIST exported)
    message(SEND_ERROR "not exported: ${name}")
    set(failed TRUE)
  endif()
endforeach()
foreach(name IN LISTS exported)
  string(REGEX REPLACE "^(typeinfo name for|typeinfo for|vtable for|guard variable for) " ""
         entity "${name}")
  if(entity MATCHES "^trendtab::" OR entity MATCHES "^[A-Za-z_][A-Za-z0-9_]*(\\(.*\\))?$")
    set(is_ours TRUE)
  else()
    set(is_ours FALSE)
  endif()
  if(is_ours AND name IN_LIST global AND NOT name IN_LIST expected)
    message(SEND_ERROR "exported but internal: ${name}")
    set(failed TRUE)
  endif()
endforeach()
list(LENGTH exported count)
if(NOT failed)
  message(STATUS "${BINARY}: the eighteen exported, ${count} dynamic symbols in all, none of ours besides")
endif()
