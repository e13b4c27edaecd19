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

set(CPACK_PACKAGE_NAME "tesk-wave")
set(CPACK_PACKAGE_VENDOR "tesk_wave developers")
set(CPACK_PACKAGE_CONTACT "tesk_wave developers <tesk-wave@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Seismic waveform analyser: Wood-Anderson amplitude, ground motion, energy and moment")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "tesk_wave reads SEED data files of a local or regional earthquake, removes the\n"
    "instrument response and measures Wood-Anderson amplitudes, peak ground motion,\n"
    "radiated energy and moment. The package holds the companion commands, the IASP91\n"
    "travel-time tables, a leap-second table, tesk_plot and tesk_batch.")
# The paths compiled into the programs name the prefix given at configure time.
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "python3, python3-matplotlib, parallel")
set(CPACK_STRIP_FILES ON)
include(CPack)
