# What Debian wants in every package's /usr/share/doc/<package>: a machine-readable copyright
# file and the changelog, gzip-compressed. Included by Install.cmake.
set(TRENDTAB_MAINTAINER "trendtab developers <maintainers@trendtab.org>" CACHE STRING
  "Maintainer of the Debian packages, 'name <address>'")

# The changelog's newest entry names the version being packaged.
file(STRINGS ${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in newest LIMIT_COUNT 1)
if(NOT newest MATCHES "^trendtab \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "cmake/debian/changelog.in: the newest entry is not for ${PROJECT_VERSION}")
endif()

# The license paragraphs of LICENSE, in the copyright file's indented form.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE license_lines)
set(TRENDTAB_LICENSE_TEXT)
set(in_text FALSE)
foreach(line IN LISTS license_lines)
  if(line MATCHES "^Permission ")
    set(in_text TRUE)
  endif()
  if(in_text)
    if(line STREQUAL "")
      set(line ".")
    endif()
    string(APPEND TRENDTAB_LICENSE_TEXT " ${line}\n")
  endif()
endforeach()
string(STRIP "${TRENDTAB_LICENSE_TEXT}" TRENDTAB_LICENSE_TEXT)
string(PREPEND TRENDTAB_LICENSE_TEXT " ")

set(debian_dir ${CMAKE_BINARY_DIR}/debian)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in ${debian_dir}/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${debian_dir}/changelog @ONLY)
add_custom_command(OUTPUT ${debian_dir}/changelog.gz
  COMMAND gzip -9n -c ${debian_dir}/changelog > ${debian_dir}/changelog.gz
  DEPENDS ${debian_dir}/changelog VERBATIM)
add_custom_target(debian_changelog ALL DEPENDS ${debian_dir}/changelog.gz)

get_cmake_property(TRENDTAB_INSTALL_COMPONENTS COMPONENTS)
foreach(package trendtab libtrendtime1 libtrendtime-dev python3-trendtab)
  if(package IN_LIST TRENDTAB_INSTALL_COMPONENTS)
    install(FILES ${debian_dir}/copyright ${debian_dir}/changelog.gz
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${package})
    if(EXISTS ${PROJECT_SOURCE_DIR}/cmake/debian/${package}.lintian-overrides)
      install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/${package}.lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${package}
        COMPONENT ${package})
    endif()
  endif()
endforeach()
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT trendtab)
