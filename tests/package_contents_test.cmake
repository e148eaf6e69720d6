# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Debian package from the build tree (cmake -P, with CPACK, CPACK_CONFIG, WORK_DIR,
# VERSION, APP_ID, and PYTHON_MODULE and PYTHON, the module's file name and the Python it is
# built for, empty when it is not built, defined) and checks it as dpkg-deb reads it: file name, control fields,
# the exact files it installs with their modes, and that its data files name each other rightly.
find_program(DPKG_DEB dpkg-deb)
if(NOT DPKG_DEB)
  message("dpkg-deb is not installed: skipped")
  return()
endif()
set(failures "")
function(fail message)
  set(failures "${failures}\n  ${message}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CPACK} --config ${CPACK_CONFIG} -B ${WORK_DIR}
                RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(status)
  message(FATAL_ERROR "cpack failed:\n${log}")
endif()
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch OUTPUT_STRIP_TRAILING_WHITESPACE)
set(deb ${WORK_DIR}/swirlon_${VERSION}_${arch}.deb)
if(NOT EXISTS ${deb})
  file(GLOB made ${WORK_DIR}/*.deb)
  message(FATAL_ERROR "expected ${deb}, cpack made: ${made}")
endif()

string(REPLACE "." "\\." version_pattern "${VERSION}")
foreach(check IN ITEMS
        "Package|^swirlon$"
        "Version|^${version_pattern}$"
        "Architecture|^${arch}$"
        "Section|^science$"
        "Depends|(^|, )fonts-ipafont-gothic(,|$)"
        "Depends|(^|, )libqt6widgets6 \\(>= "
        "Depends|(^|, )libc6 \\(>= "
        "Depends|(^|, )libavformat[0-9]+ \\(>= "
        "Depends|(^|, )libavfilter[0-9]+ \\(>= "
        "Recommends|(^|, )qt6-translations-l10n(,|$)")
  # "<field>|<pattern>": the field name ends at the first bar.
  string(REGEX MATCH "^([^|]+)[|](.*)$" _ "${check}")
  set(field ${CMAKE_MATCH_1})
  set(pattern ${CMAKE_MATCH_2})
  execute_process(COMMAND ${DPKG_DEB} -f ${deb} ${field} OUTPUT_VARIABLE value OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT value MATCHES "${pattern}")
    fail("${field}: \"${value}\" does not match ${pattern}")
  endif()
endforeach()

set(program -rwxr-xr-x)
set(data -rw-r--r--)
set(expected_files
    "${program} ./usr/bin/swirlon"
    "${program} ./usr/bin/swirlon-batch"
    "${data} ./usr/share/applications/${APP_ID}.desktop"
    "${data} ./usr/share/doc/swirlon/copyright"
    "${data} ./usr/share/icons/hicolor/16x16/apps/swirlon.png"
    "${data} ./usr/share/icons/hicolor/32x32/apps/swirlon.png"
    "${data} ./usr/share/icons/hicolor/48x48/apps/swirlon.png"
    "${data} ./usr/share/icons/hicolor/scalable/apps/swirlon.svg"
    "${data} ./usr/share/man/man1/swirlon-batch.1.gz"
    "${data} ./usr/share/man/man1/swirlon.1.gz"
    "${data} ./usr/share/metainfo/${APP_ID}.metainfo.xml")
if(PYTHON_MODULE)
  # Where Debian's Python finds modules of every Python 3 version.
  list(APPEND expected_files "${data} ./usr/lib/python3/dist-packages/${PYTHON_MODULE}")
endif()
execute_process(COMMAND ${DPKG_DEB} -c ${deb} OUTPUT_VARIABLE listing)
string(REPLACE "\n" ";" listing "${listing}")
set(files "")
foreach(line IN LISTS listing)
  # Regular files only: "<mode> <owner> <size> <date> <time> <path>".
  if(line MATCHES "^(-[^ ]+) +[^ ]+ +[0-9]+ +[^ ]+ +[^ ]+ +(.+)$")
    list(APPEND files "${CMAKE_MATCH_1} ${CMAKE_MATCH_2}")
  endif()
endforeach()
set(unexpected ${files})
set(missing ${expected_files})
list(REMOVE_ITEM unexpected ${expected_files})
list(REMOVE_ITEM missing ${files})
foreach(file IN LISTS unexpected)
  fail("unexpected file or mode: ${file}")
endforeach()
foreach(file IN LISTS missing)
  fail("missing file or mode: ${file}")
endforeach()

# The desktop entry's Exec and Icon, and the metainfo's launchable, must name what the package
# really holds; the packaged program and the metainfo's release carry the package's version.
set(root ${WORK_DIR}/root)
execute_process(COMMAND ${DPKG_DEB} -x ${deb} ${root})
file(READ ${root}/usr/share/applications/${APP_ID}.desktop desktop)
string(REGEX MATCH "\nExec=([^ \n]+)" _ "${desktop}")
if(NOT EXISTS "${root}/usr/bin/${CMAKE_MATCH_1}")
  fail("Exec=${CMAKE_MATCH_1} is not a packaged program")
endif()
string(REGEX MATCH "\nIcon=([^\n]+)" _ "${desktop}")
file(GLOB icons ${root}/usr/share/icons/hicolor/*/apps/${CMAKE_MATCH_1}.*)
list(LENGTH icons icon_count)
if(NOT icon_count EQUAL 4)
  fail("Icon=${CMAKE_MATCH_1} has ${icon_count} of the 4 packaged icon sizes")
endif()
file(READ ${root}/usr/share/metainfo/${APP_ID}.metainfo.xml metainfo)
string(REGEX MATCH "<launchable type=\"desktop-id\">([^<]+)<" _ "${metainfo}")
if(NOT EXISTS "${root}/usr/share/applications/${CMAKE_MATCH_1}")
  fail("launchable ${CMAKE_MATCH_1} is not packaged")
endif()
execute_process(COMMAND ${root}/usr/bin/swirlon-batch --version OUTPUT_VARIABLE batch_version
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT batch_version STREQUAL "swirlon-batch ${VERSION}")
  fail("packaged swirlon-batch --version says \"${batch_version}\", the package is ${VERSION}")
endif()
if(PYTHON_MODULE)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env PYTHONPATH=${root}/usr/lib/python3/dist-packages
                          ${PYTHON} -c "import swirlon; print(swirlon.__version__)"
                  OUTPUT_VARIABLE module_version OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_VARIABLE module_error)
  if(NOT module_version STREQUAL VERSION)
    fail("packaged Python module says \"${module_version}\"${module_error}, the package is ${VERSION}")
  endif()
endif()
string(REGEX MATCH "<release version=\"([^\"]+)\"" _ "${metainfo}")
if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
  fail("metainfo release ${CMAKE_MATCH_1} is not the package version ${VERSION}")
endif()

if(failures)
  message(FATAL_ERROR "package ${deb}:${failures}")
endif()
