# SPDX-License-Identifier: GPL-3.0-or-later
# Run at install time (install(SCRIPT)): writes the launcher and the .desktop file for the
# prefix being installed to. file(INSTALL) adds DESTDIR itself.
set(prefix "${CMAKE_INSTALL_PREFIX}")
set(SORVEL_EXEC "${prefix}/lib/sorvel/sorvel")
set(SORVEL_DATA "${prefix}/share/sorvel")

# A folder of its own per prefix, so that two installs running at once share no file; it is
# removed again at the end.
string(MD5 tag "${prefix}")
set(out "${SORVEL_PACKAGING_BINARY}/launcher-${tag}")

file(READ "${SORVEL_PACKAGING_SOURCE}/${SORVEL_DESKTOP_ID}.desktop.in" desktop)
string(CONFIGURE "${desktop}" desktop @ONLY)
file(WRITE "${out}/${SORVEL_DESKTOP_ID}.desktop" "${desktop}")
file(INSTALL DESTINATION "${prefix}/share/applications" TYPE FILE
     FILES "${out}/${SORVEL_DESKTOP_ID}.desktop")

if(SORVEL_HAS_PROGRAM)
  file(WRITE "${out}/sorvel" "#!/bin/sh
# Sorvel opens bassoboe.wav and SONORA.TTF from its working directory; files named on the
# command line are found from the directory it was started in.
SORVEL_START_DIR=\$PWD
export SORVEL_START_DIR
cd '${SORVEL_DATA}' || exit 1
exec '${SORVEL_EXEC}' \"$@\"
")
  file(INSTALL DESTINATION "${prefix}/bin" TYPE PROGRAM FILES "${out}/sorvel")
endif()
file(REMOVE_RECURSE "${out}")
