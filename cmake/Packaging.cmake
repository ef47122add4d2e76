# Packages, made by cpack from a finished build: Debian packages of the native build, one per
# install component (Install.cmake), and a .zip of the Windows build.

# Installing and packaging take what the build made and build nothing themselves: without this,
# cpack's install step would first build every target, the tests included.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_PACKAGE_NAME trendtab)
set(CPACK_PACKAGE_VENDOR "the trendtab developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_FILE_NAME "trendtab-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  include(CPack)
  return()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TRENDTAB_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SOURCE trendtab)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# CPack writes maintainer scripts that call ldconfig for any library under /usr/lib; the
# library package activates the ldconfig trigger instead, so they are taken out again.
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian/DropLdconfigScripts.cmake)

# Each description's first line is the package's summary (so no project-wide one), the rest
# is wrapped to Debian's width by trendtab_deb_description.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
function(trendtab_deb_description component summary)
  set(text "${summary}")
  foreach(paragraph IN LISTS ARGN)
    if(NOT text STREQUAL summary)
      string(APPEND text "\n")
    endif()
    set(line "")
    string(REPLACE " " ";" words "${paragraph}")
    foreach(word IN LISTS words)
      string(LENGTH "${line} ${word}" length)
      if(line AND length GREATER 72)
        string(APPEND text "\n${line}")
        set(line "${word}")
      elseif(line)
        string(APPEND line " ${word}")
      else()
        set(line "${word}")
      endif()
    endforeach()
    string(APPEND text "\n${line}")
  endforeach()
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_DESCRIPTION "${text}" PARENT_SCOPE)
endfunction()
set(tools "hstinfo, which shows what a history file holds, tzquery, which looks inside the\
 time zones the converter uses, and hstgen, which writes history files for tests and examples")
if(TARGET hstexport)
  string(PREPEND tools "hstexport, which exports many files losslessly to CSV or TSV on every\
 core, ")
endif()
if(TARGET hstview)
  string(PREPEND tools "hstview, which charts a whole archive of history files in the web\
 browser, ")
endif()
trendtab_deb_description(trendtab "converter of trend history files (.hst) to text"
  "trendtab reads trend history files (.hst), binary files of timestamped samples of named tags\
 written by process logging, and writes each as text: NAME.txt with one row per sample and\
 NAME.hdr with the list of tags. It reads both layouts: compact (32-bit stamps in seconds,\
 single-precision values) and wide (FILETIME stamps in UTC, double-precision values)."
  "This package also holds ${tools}.")
set(CPACK_DEBIAN_TRENDTAB_PACKAGE_SECTION utils)
# Local time comes from the zone database (TZ names, /etc/localtime); without it, UTC.
set(CPACK_DEBIAN_TRENDTAB_PACKAGE_RECOMMENDS tzdata)

set(library_text "libtrendtime holds eighteen C functions on Windows FILETIME values:\
 arithmetic, conversions to and from seconds and calendar times, and the bias of local time in\
 the system's time zone, on any platform.")
trendtab_deb_description(libtrendtime1 "FILETIME arithmetic and local-time library"
  "${library_text}" "This package holds the shared library.")
set(CPACK_DEBIAN_LIBTRENDTIME1_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBTRENDTIME1_PACKAGE_RECOMMENDS tzdata)
# The symbols file names the version that brought each export, for dpkg-shlibdeps.
set(CPACK_DEBIAN_LIBTRENDTIME1_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/cmake/debian/triggers ${PROJECT_SOURCE_DIR}/cmake/debian/symbols)

trendtab_deb_description(libtrendtime-dev
  "FILETIME arithmetic and local-time library (development files)" "${library_text}"
  "This package holds the C header, the CMake package (find_package(trendtime)) and the\
 pkg-config file (trendtime).")
set(CPACK_COMPONENT_LIBTRENDTIME-DEV_DEPENDS libtrendtime1)
set(CPACK_DEBIAN_LIBTRENDTIME-DEV_PACKAGE_SECTION libdevel)

set(CPACK_COMPONENTS_ALL trendtab libtrendtime1 libtrendtime-dev)
get_cmake_property(components COMPONENTS)
if(python3-trendtab IN_LIST components)
  list(APPEND CPACK_COMPONENTS_ALL python3-trendtab)
  trendtab_deb_description(python3-trendtab "Python access to trend history files (.hst)"
    "The trendtab module reads trend history files (.hst) with the converter's own reading core\
 into numpy arrays and pandas data frames.")
  set(CPACK_DEBIAN_PYTHON3-TRENDTAB_PACKAGE_SECTION python)
  # dpkg-shlibdeps finds the C++ runtime; what the module needs of Python it cannot see.
  set(CPACK_DEBIAN_PYTHON3-TRENDTAB_PACKAGE_DEPENDS
    "python3 (>= 3.11~), python3 (<< 3.12), python3-numpy-abi9")
  # Frames, the Dask reader and the plots import these when they are used.
  set(CPACK_DEBIAN_PYTHON3-TRENDTAB_PACKAGE_RECOMMENDS
    "python3-pandas, python3-matplotlib, python3-dask, python3-distributed")
endif()

# The packages are named as their components.
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${component})
endforeach()

include(CPack)
