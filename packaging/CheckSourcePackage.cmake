# cmake -DSOURCE=<source tree> -DBUILD=<build dir> -DSCRATCH=<scratch folder> -DVERSION=<version>
#       -DBINARIES=<program>,<program>... -P CheckSourcePackage.cmake
# The Debian source package, checked without building the package a second time (that takes
# the whole build again; scripts/check-package.sh does it): the source package builds, lintian
# finds nothing in it at any level, and this build's own programs carry the hardening that
# every build gets.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")

function(run output_variable)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${SCRATCH}"
                  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed:\n${out}${err}")
  endif()
  set(${output_variable} "${out}" PARENT_SCOPE)
endfunction()

run(version dpkg-parsechangelog -l "${SOURCE}/debian/changelog" -S Version)
string(STRIP "${version}" version)
if(NOT version STREQUAL VERSION)
  message(FATAL_ERROR "debian/changelog is at version ${version}, the project at ${VERSION}")
endif()

# The tree as a source package, without this build folder when it lies inside the tree.
set(ignore)
file(RELATIVE_PATH build_in_source "${SOURCE}" "${BUILD}")
if(NOT build_in_source MATCHES "^\\.\\./")
  set(ignore "--tar-ignore=${build_in_source}")
endif()
run(built dpkg-source ${ignore} --tar-ignore=build-* -b "${SOURCE}")
set(dsc "${SCRATCH}/keysound_${VERSION}.dsc")
if(NOT EXISTS "${dsc}")
  message(FATAL_ERROR "dpkg-source made no ${dsc}:\n${built}")
endif()

# Every tag counts; the few kept are overridden, each with its reason, in debian/source/lintian-overrides.
run(said lintian --pedantic --display-info --fail-on error,warning,info,pedantic "${dsc}")
message(STATUS "lintian:\n${said}")

# The same checks as for the package's binaries, on this build's (CMake adds the flags).
string(REPLACE "," ";" binaries "${BINARIES}")
run(hardening hardening-check ${binaries})
message(STATUS "hardening-check:\n${hardening}")
file(REMOVE_RECURSE "${SCRATCH}")
