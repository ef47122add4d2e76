cmake_minimum_required(VERSION 3.25)
# Checks a Windows binary's PE export table: exactly the eighteen time functions, by name.
# cmake -DOBJDUMP=<objdump> -DBINARY=<file.exe|file.dll> -P check_pe_exports.cmake
set(expected
  CompareFileTimeBias FileTimeAddDays FileTimeDiff FileTimeGetMax FileTimeMult FileTimeSum
  FileTimeToLocalFileTimeBias FileTimeToSeconds FileTimeToTime FileTimeTomSeconds
  FileTimeTomSeconds64 GetCurrentBias GetDayOfYear LocalFileTimeToFileTimeBias LocalTimeLessDays
  SecondsToFileTime TimeToFileTime mSecondsToFileTime)

execute_process(COMMAND ${OBJDUMP} -p ${BINARY} OUTPUT_VARIABLE text RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${BINARY}")
endif()
# The name table follows its heading: one "[ n] name" line per export.
string(FIND "${text}" "[Ordinal/Name Pointer] Table" start)
if(start LESS 0)
  message(FATAL_ERROR "${BINARY} has no export table")
endif()
string(SUBSTRING "${text}" ${start} -1 text)
string(REGEX MATCH "Table\n([\t ]+\\[ *[0-9]+\\] [A-Za-z0-9_@]+\n)+" table "${text}")
# Brackets would group list items in CMake: take the names out of the lines in one step.
string(REGEX REPLACE "^Table\n" "" table "${table}")
string(REGEX REPLACE "[\t ]+\\[ *[0-9]+\\] ([A-Za-z0-9_@]+)\n" "\\1;" names "${table}")
list(REMOVE_ITEM names "")
list(SORT names)
list(SORT expected)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "${BINARY} exports:\n  ${names}\nexpected:\n  ${expected}")
endif()
message(STATUS "${BINARY}: the eighteen, by name, and nothing else")
