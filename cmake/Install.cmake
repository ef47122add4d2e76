# Install rules, in one component per Debian package:
#   trendtab          the programs and their man pages
#   libtrendtime1     the shared library (SONAME libtrendtime.so.1)
#   libtrendtime-dev  the C header, the unversioned link, the CMake package, the pkg-config file
#   python3-trendtab  the Python package, installed by python/ when it is built
# The Windows .zip takes every component: programs and DLL in bin/, import libraries in lib/,
# the man pages as HTML in doc/, README and LICENSE at the top.

# On Debian the library goes to the multiarch folder under any prefix: ld.so, pkg-config and
# find_package look in /usr/local/lib/<triplet> as well as /usr/lib/<triplet>.
if(NOT WIN32 AND CMAKE_LIBRARY_ARCHITECTURE AND EXISTS /etc/debian_version
   AND NOT DEFINED CACHE{CMAKE_INSTALL_LIBDIR})
  set(CMAKE_INSTALL_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE} CACHE PATH
    "Object code libraries (LIBDIR)")
endif()
include(GNUInstallDirs)

set(TRENDTAB_PROGRAMS trendtab hstinfo hstgen)
foreach(program tzquery hstexport hstview)
  if(TARGET ${program})
    list(APPEND TRENDTAB_PROGRAMS ${program})
  endif()
endforeach()
install(TARGETS ${TRENDTAB_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  COMPONENT trendtab)

target_include_directories(trendtime INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
install(TARGETS trendtime EXPORT trendtimeTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    COMPONENT libtrendtime1 NAMELINK_COMPONENT libtrendtime-dev
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libtrendtime-dev
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT libtrendtime1)
install(FILES
  ${PROJECT_SOURCE_DIR}/timelib/include/trendtime.h
  ${CMAKE_BINARY_DIR}/generated/include/trendtime_platform.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT libtrendtime-dev)
if(WIN32)
  # The import library Microsoft's linker reads and the .def it was made from (timelib/).
  install(FILES $<TARGET_PROPERTY:trendtime,TRENDTAB_MSVC_IMPORT_LIBRARY>
    $<TARGET_PROPERTY:trendtime,TRENDTAB_DEF_FILE>
    DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libtrendtime-dev)
endif()

set(TRENDTIME_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/trendtime)
install(EXPORT trendtimeTargets NAMESPACE trendtime:: DESTINATION ${TRENDTIME_CMAKE_DIR}
  COMPONENT libtrendtime-dev)
include(CMakePackageConfigHelpers)
file(WRITE ${CMAKE_BINARY_DIR}/package/trendtimeConfig.cmake
  "include(\"\${CMAKE_CURRENT_LIST_DIR}/trendtimeTargets.cmake\")\n")
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/trendtimeConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_BINARY_DIR}/package/trendtimeConfig.cmake
  ${CMAKE_BINARY_DIR}/package/trendtimeConfigVersion.cmake
  DESTINATION ${TRENDTIME_CMAKE_DIR} COMPONENT libtrendtime-dev)

# The pkg-config file finds the prefix from its own folder, so the packages and any install
# prefix work alike.
if(IS_ABSOLUTE ${CMAKE_INSTALL_LIBDIR})
  set(TRENDTIME_PC_PREFIX ${CMAKE_INSTALL_PREFIX})
else()
  file(RELATIVE_PATH TRENDTIME_PC_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
  set(TRENDTIME_PC_PREFIX "\${pcfiledir}/${TRENDTIME_PC_PREFIX}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/trendtime.pc.in ${CMAKE_BINARY_DIR}/package/trendtime.pc
  @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/package/trendtime.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT libtrendtime-dev)

# Man pages: gzip-compressed on Debian, HTML in the Windows .zip. Made by the default build,
# so that installing and packaging build nothing.
set(TRENDTAB_MAN_PAGES)
foreach(program IN LISTS TRENDTAB_PROGRAMS)
  if(EXISTS ${PROJECT_SOURCE_DIR}/man/${program}.1)
    list(APPEND TRENDTAB_MAN_PAGES ${program})
  else()
    message(SEND_ERROR "${program} has no man page (man/${program}.1)")
  endif()
endforeach()
set(man_outputs)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/man)
if(WIN32)
  find_program(TRENDTAB_MANDOC mandoc)
  if(TRENDTAB_MANDOC)
    foreach(page IN LISTS TRENDTAB_MAN_PAGES)
      set(html ${CMAKE_BINARY_DIR}/man/${page}.html)
      add_custom_command(OUTPUT ${html}
        COMMAND ${TRENDTAB_MANDOC} -Thtml -Oman=%N.html
          ${PROJECT_SOURCE_DIR}/man/${page}.1 > ${html}
        DEPENDS ${PROJECT_SOURCE_DIR}/man/${page}.1 VERBATIM)
      list(APPEND man_outputs ${html})
    endforeach()
    install(FILES ${man_outputs} DESTINATION doc COMPONENT trendtab)
  else()
    message(WARNING "mandoc not found (apt-get install mandoc): the .zip gets no man pages")
  endif()
  # A first page for Windows users, with Windows line ends.
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/README-Windows.txt.in
    ${CMAKE_BINARY_DIR}/package/README-Windows.txt @ONLY NEWLINE_STYLE WIN32)
  install(FILES README.md LICENSE ${CMAKE_BINARY_DIR}/package/README-Windows.txt DESTINATION .
    COMPONENT trendtab)
else()
  foreach(page IN LISTS TRENDTAB_MAN_PAGES)
    set(gz ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
    add_custom_command(OUTPUT ${gz}
      COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/man/${page}.1 > ${gz}
      DEPENDS ${PROJECT_SOURCE_DIR}/man/${page}.1 VERBATIM)
    list(APPEND man_outputs ${gz})
  endforeach()
  install(FILES ${man_outputs} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT trendtab)
endif()
add_custom_target(man_pages ALL DEPENDS ${man_outputs})

if(NOT WIN32)
  include(${PROJECT_SOURCE_DIR}/cmake/DebianFiles.cmake)
endif()
