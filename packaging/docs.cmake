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

# A path on the page may break after any slash (groff's \: is an invisible break point), and only
# there: a long install prefix then wraps at 80 columns instead of running off the line, and a
# reader never finds a hyphen that is not in the path (\% forbids hyphenation, \- is a plain
# hyphen-minus that does not invite a break).
function(sorvel_page_path variable path)
  string(REPLACE "\\" "\\e" path "${path}")
  string(REPLACE "-" "\\-" path "${path}")
  string(REPLACE "/" "/\\:\\%" path "${path}")
  set(${variable} "\\%${path}" PARENT_SCOPE)
endfunction()

if(SORVEL_HAS_PROGRAM)
  sorvel_page_path(SORVEL_EXEC "${prefix}/lib/sorvel/sorvel")
  sorvel_page_path(SORVEL_DATA "${prefix}/share/sorvel")
  sorvel_page_path(SORVEL_BIN "${prefix}/bin/sorvel")
  sorvel_page_path(SORVEL_DOC "${prefix}/share/doc/sorvel")
  file(READ "${SORVEL_PACKAGING_SOURCE}/sorvel.1.in" page)
  string(CONFIGURE "${page}" page @ONLY)
  file(WRITE "${out}/sorvel.1" "${page}")
  sorvel_gzip("${out}/sorvel.1" "${out}/sorvel.1.gz")
  file(INSTALL DESTINATION "${prefix}/share/man/man1" TYPE FILE FILES "${out}/sorvel.1.gz")
endif()
file(REMOVE_RECURSE "${out}")
