# Turns the Unicode CLDR's windowsZones.xml into the table timelib/zone_names.cpp includes: one
# line per mapZone element, {Windows name, region, IANA names separated by spaces}, in the
# file's order. Run as: cmake -DINPUT=windowsZones.xml -DOUTPUT=zone_name_table.inc -P this file.
file(STRINGS "${INPUT}" lines REGEX "<mapZone ")
set(table "// Made at build time from ${INPUT}; do not edit.\n")
set(count 0)
foreach(line IN LISTS lines)
  if(NOT line MATCHES "other=\"([^\"\\\\]+)\" territory=\"([0-9A-Z]+)\" type=\"([^\"\\\\]+)\"")
    message(FATAL_ERROR "Unexpected mapZone element in ${INPUT}: ${line}")
  endif()
  string(APPEND table "{\"${CMAKE_MATCH_1}\", \"${CMAKE_MATCH_2}\", \"${CMAKE_MATCH_3}\"},\n")
  math(EXPR count "${count} + 1")
endforeach()
if(count EQUAL 0)
  message(FATAL_ERROR "No mapZone elements in ${INPUT}")
endif()
get_filename_component(folder "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${folder}")
# Written only when it changed, so that a rerun rebuilds nothing.
file(WRITE "${OUTPUT}.new" "${table}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
