# SPDX-License-Identifier: GPL-3.0-or-later
# Run at install time (install(SCRIPT)): writes the manual page for the prefix being installed
# to, and installs it and the changelog compressed as Debian wants them (gzip -9, no name or
# time stamp in the header, so that two builds give the same bytes).
set(prefix "${CMAKE_INSTALL_PREFIX}")
string(MD5 tag "${prefix}")
set(out "${SORVEL_PACKAGING_BINARY}/docs-${tag}")
file(MAKE_DIRECTORY "${out}")

function(sorvel_gzip source target)
  execute_process(COMMAND "${SORVEL_GZIP}" -9 -n -c "${source}" OUTPUT_FILE "${target}"
                  RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip ${source} failed")
  endif()
endfunction()

sorvel_gzip("${SORVEL_PACKAGING_SOURCE}/changelog" "${out}/changelog.gz")
file(INSTALL DESTINATION "${prefix}/share/doc/sorvel" TYPE FILE FILES "${out}/changelog.gz")

if(SORVEL_HAS_PROGRAM)
  set(SORVEL_EXEC "${prefix}/lib/sorvel/sorvel")
  set(SORVEL_DATA "${prefix}/share/sorvel")
  set(SORVEL_BIN "${prefix}/bin/sorvel")
  set(SORVEL_DOC "${prefix}/share/doc/sorvel")
  file(READ "${SORVEL_PACKAGING_SOURCE}/sorvel.1.in" page)
  string(CONFIGURE "${page}" page @ONLY)
  file(WRITE "${out}/sorvel.1" "${page}")
  sorvel_gzip("${out}/sorvel.1" "${out}/sorvel.1.gz")
  file(INSTALL DESTINATION "${prefix}/share/man/man1" TYPE FILE FILES "${out}/sorvel.1.gz")
endif()
file(REMOVE_RECURSE "${out}")
