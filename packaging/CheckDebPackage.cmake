# cmake -DBUILD=<build dir> -DSCRATCH=<scratch folder> -DVERSION=<version> -DAPP_ID=<id> -P CheckDebPackage.cmake
# Builds the Debian package, checks the files it installs and its control fields, and runs lintian
# on it where lintian is installed: any error lintian reports fails the test.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${SCRATCH}")

function(run output_variable)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed:\n${out}${err}")
  endif()
  string(STRIP "${out}" out)
  set(${output_variable} "${out}" PARENT_SCOPE)
endfunction()

run(built cpack -G DEB -B "${SCRATCH}" --config "${BUILD}/CPackConfig.cmake")
run(arch dpkg --print-architecture)
set(deb "${SCRATCH}/keysound_${VERSION}_${arch}.deb")
if(NOT EXISTS "${deb}")
  message(FATAL_ERROR "no ${deb}; cpack said:\n${built}")
endif()

# What the package installs: the system layout, and nothing of the portable folder.
run(listing dpkg-deb -c "${deb}")
string(REPLACE "\n" ";" lines "${listing}")
set(files)
foreach(line IN LISTS lines)
  # "-rw-r--r-- root/root 1234 2026-12-07 00:00 ./usr/bin/keysound"; folders end in /
  if(line MATCHES " \\.(/.*[^/])$")
    list(APPEND files "${CMAKE_MATCH_1}")
  endif()
endforeach()
foreach(expected /usr/bin/keysound /usr/bin/keysound-db /usr/libexec/keysound/keysound-jet-reader
        /usr/libexec/keysound/keysound-decoder /usr/share/keysound/db1.mdb /usr/share/keysound/MP3/a.mp3
        /usr/share/applications/${APP_ID}.desktop /usr/share/metainfo/${APP_ID}.metainfo.xml
        /usr/share/icons/hicolor/48x48/apps/${APP_ID}.png /usr/share/icons/hicolor/256x256/apps/${APP_ID}.png
        /usr/share/icons/hicolor/scalable/apps/${APP_ID}.svg
        /usr/share/doc/keysound/copyright /usr/share/doc/keysound/changelog.gz)
  if(NOT expected IN_LIST files)
    message(FATAL_ERROR "the package lacks ${expected}:\n${listing}")
  endif()
endforeach()
foreach(file IN LISTS files)
  if(NOT file MATCHES "^/usr/(bin|libexec/keysound|share/(keysound|applications|metainfo|icons/hicolor|doc/keysound|man/man1))/")
    message(FATAL_ERROR "the package installs ${file}, outside the places of the system layout")
  endif()
endforeach()

# The control fields. Depends holds what dpkg-shlibdeps found in the binaries (Qt, and libmdb for
# the reader) besides what we name ourselves.
function(field name pattern)
  run(value dpkg-deb -f "${deb}" ${name})
  if(NOT value MATCHES "${pattern}")
    message(FATAL_ERROR "${name} is \"${value}\", not of the form ${pattern}")
  endif()
endfunction()
field(Package "^keysound$")
field(Version "^${VERSION}$")
field(Architecture "^${arch}$")
field(Depends "libqt6widgets6")
field(Depends "libmdb3")
field(Depends "qt6-qpa-plugins")
field(Maintainer "^[^<>@]+ <[^<>@ ]+@[^<>@ ]+>$")
field(Description "^[^\n]+\n [^\n]+")  # a summary, then an extended description

find_program(LINTIAN lintian)
if(LINTIAN)
  execute_process(COMMAND ${LINTIAN} --fail-on error "${deb}"
                  RESULT_VARIABLE result OUTPUT_VARIABLE said ERROR_VARIABLE said)
  message(STATUS "lintian:\n${said}")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "lintian reports errors")
  endif()
endif()
file(REMOVE_RECURSE "${SCRATCH}")
