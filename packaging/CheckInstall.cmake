# cmake -DBUILD=<build dir> -DPREFIX=<scratch folder> -DAPP_ID=<id> -P CheckInstall.cmake
# Installs twice: the first lays out a complete folder, the second must keep the user's db1.mdb.
file(REMOVE_RECURSE "${PREFIX}")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed:\n${out}")
  endif()
endfunction()

run(${CMAKE_COMMAND} --install "${BUILD}" --prefix "${PREFIX}")
foreach(file keysound keysound-db db1.mdb LICENSE icons/keysound.svg icons/keysound-256.png
             add-to-menu.sh remove-from-menu.sh)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "the installed folder lacks ${file}")
  endif()
endforeach()
file(GLOB sounds "${PREFIX}/MP3/*")
if(NOT sounds)
  message(FATAL_ERROR "the installed folder has no sounds in MP3/")
endif()
run(desktop-file-validate "${PREFIX}/${APP_ID}.desktop")
run(appstreamcli validate --pedantic --no-net "${PREFIX}/${APP_ID}.metainfo.xml")

file(WRITE "${PREFIX}/db1.mdb" "the user's own mappings")
run(${CMAKE_COMMAND} --install "${BUILD}" --prefix "${PREFIX}")
file(READ "${PREFIX}/db1.mdb" kept)
if(NOT kept STREQUAL "the user's own mappings")
  message(FATAL_ERROR "installing again replaced the existing db1.mdb")
endif()
file(REMOVE_RECURSE "${PREFIX}")
