# Writes a manual page with the data paths this build was configured with in place of the
# defaults of a plain build, compressed as Debian installs manual pages (gzip -9n).
#   cmake -D IN=page -D OUT=page.gz -D GZIP=gzip -D COORD=... -D RESP=... -D SENS=...
#         -D PICK=... -D MODEL=... -D LEAP=... -P configure_man.cmake
file(READ "${IN}" page)
foreach(pair "/home/tesk/stat/hnet.stat.all|COORD" "/home/tesk/stat/hnet.resp|RESP"
             "/usr/contrib/data/hnet/instr.sens|SENS" "pickfile.pf|PICK"
             "/usr/contrib/data/iaspei_91/iasp91|MODEL" "/usr/local/lib/leapseconds|LEAP")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 plain)
  list(GET pair 1 var)
  # roff takes a leading "-" as is; a "\-" in a path would be a minus sign.
  string(REPLACE "-" "\\-" configured "${${var}}")
  string(REPLACE "${plain}" "${configured}" page "${page}")
endforeach()
get_filename_component(dir "${OUT}" DIRECTORY)
get_filename_component(name "${OUT}" NAME_WLE)
file(WRITE "${dir}/${name}" "${page}")
execute_process(COMMAND "${GZIP}" -9 -n -f "${dir}/${name}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip failed on ${dir}/${name}")
endif()
