# Installed data and the Debian package (cpack -G DEB).
install(FILES ${CMAKE_SOURCE_DIR}/data/leapseconds DESTINATION ${TW_INSTALL_DATADIR})

# The compiled-in data paths only find the installed copies when they point under the prefix.
foreach(path TW_MODEL_BASE TW_LEAPSECONDS_FILE)
  string(FIND "${${path}}" "${CMAKE_INSTALL_PREFIX}/" at)
  if(NOT at EQUAL 0)
    message(STATUS "${path} (${${path}}) lies outside the install prefix; "
                   "configure with -DTW_DATA_UNDER_PREFIX=ON to use the installed copy")
  endif()
endforeach()

set(TW_PACKAGE_MAINTAINER "tesk_wave developers <tesk-wave@example.org>"
    CACHE STRING "Maintainer of the Debian package: name <address>")
if(TW_PACKAGE_MAINTAINER MATCHES "@localhost|@.*\\.localdomain|^[^<]*$")
  message(FATAL_ERROR "TW_PACKAGE_MAINTAINER must be \"Name <address>\" with a real mail host")
endif()

# The package's copyright file and changelog, installed as Debian expects them.
set(TW_DEB_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/tesk-wave)
configure_file(cmake/deb/copyright ${CMAKE_BINARY_DIR}/deb/copyright @ONLY)
configure_file(cmake/deb/changelog ${CMAKE_BINARY_DIR}/deb/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/deb/changelog.gz
  COMMAND ${TW_GZIP} -9 -n -c ${CMAKE_BINARY_DIR}/deb/changelog > ${CMAKE_BINARY_DIR}/deb/changelog.gz
  DEPENDS ${CMAKE_BINARY_DIR}/deb/changelog)
add_custom_target(deb_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/deb/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/deb/copyright ${CMAKE_BINARY_DIR}/deb/changelog.gz
        DESTINATION ${TW_DEB_DOCDIR})

set(CPACK_PACKAGE_NAME "tesk-wave")
set(CPACK_PACKAGE_VENDOR "tesk_wave developers")
set(CPACK_PACKAGE_CONTACT "${TW_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "seismic waveform analyser for local and regional earthquakes")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "tesk_wave reads SEED data files of a local or regional earthquake, removes\n"
    "the instrument response and measures Wood-Anderson amplitudes, peak ground\n"
    "motion, radiated energy and seismic moment. The package holds the companion\n"
    "commands, the IASP91 travel-time tables, a leap-second table, tesk_plot and\n"
    "tesk_batch.")
# The paths compiled into the programs name the prefix given at configure time.
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3, python3-matplotlib, parallel")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
