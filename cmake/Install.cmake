# Install rules: the programs, the time library with its public C header, a CMake package
# (find_package(trendtime) -> trendtime::trendtime) and a pkg-config file, the man pages, the
# README and the license.
set(TRENDTAB_PROGRAMS trendtab hstinfo hstexport)
if(TARGET tzquery)
  list(APPEND TRENDTAB_PROGRAMS tzquery)
endif()
install(TARGETS ${TRENDTAB_PROGRAMS} RUNTIME DESTINATION bin)

target_include_directories(trendtime INTERFACE $<INSTALL_INTERFACE:include>)
install(TARGETS trendtime EXPORT trendtimeTargets
  LIBRARY DESTINATION lib
  ARCHIVE DESTINATION lib
  RUNTIME DESTINATION bin)
install(FILES
  ${PROJECT_SOURCE_DIR}/timelib/include/trendtime.h
  ${TRENDTAB_PLATFORM_HEADERS_DIR}/trendtime_platform.h
  DESTINATION include)
install(EXPORT trendtimeTargets NAMESPACE trendtime:: DESTINATION lib/cmake/trendtime)

include(CMakePackageConfigHelpers)
file(WRITE ${CMAKE_BINARY_DIR}/package/trendtimeConfig.cmake
  "include(\"\${CMAKE_CURRENT_LIST_DIR}/trendtimeTargets.cmake\")\n")
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/trendtimeConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_BINARY_DIR}/package/trendtimeConfig.cmake
  ${CMAKE_BINARY_DIR}/package/trendtimeConfigVersion.cmake
  DESTINATION lib/cmake/trendtime)

configure_file(${PROJECT_SOURCE_DIR}/cmake/trendtime.pc.in ${CMAKE_BINARY_DIR}/package/trendtime.pc
  @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/package/trendtime.pc DESTINATION lib/pkgconfig)

install(FILES man/trendtab.1 man/hstinfo.1 man/hstexport.1 DESTINATION share/man/man1)
if(EXISTS ${PROJECT_SOURCE_DIR}/man/tzquery.1)
  install(FILES man/tzquery.1 DESTINATION share/man/man1)
endif()
install(FILES README.md LICENSE DESTINATION share/doc/trendtab)
