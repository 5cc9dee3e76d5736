# Debian's hardening flags in every build, where the compiler and linker take them: the programs
# parse untrusted files (Jet files, sounds, packs). A flag that already comes from the
# environment (CXXFLAGS, CPPFLAGS, LDFLAGS, as a package build takes them from dpkg-buildflags) is
# not added a second time, so that the package build uses exactly what dpkg-buildflags says.
include(CheckCXXCompilerFlag)
include(CheckLinkerFlag)
include(CheckPIESupported)

# CMake reads CXXFLAGS and LDFLAGS from the environment at the first configure, but not CPPFLAGS.
set(KEYSOUND_CPPFLAGS "$ENV{CPPFLAGS}" CACHE STRING "Preprocessor flags (from CPPFLAGS at the first configure)")
separate_arguments(keysound_cppflags UNIX_COMMAND "${KEYSOUND_CPPFLAGS}")
foreach(flag IN LISTS keysound_cppflags)
  string(FIND " ${CMAKE_CXX_FLAGS} " " ${flag} " given)  # debhelper appends CPPFLAGS to CXXFLAGS itself
  if(given EQUAL -1)
    add_compile_options(${flag})
  endif()
endforeach()

set(keysound_given_flags "${CMAKE_CXX_FLAGS} ${KEYSOUND_CPPFLAGS}")
set(keysound_given_link_flags "${CMAKE_EXE_LINKER_FLAGS}")

# keysound_harden_compile(<flag>...): each flag the environment lacks, if the compiler takes it.
function(keysound_harden_compile)
  foreach(flag IN LISTS ARGN)
    string(MAKE_C_IDENTIFIER "KEYSOUND_CXX_HAS${flag}" supported)
    string(FIND " ${keysound_given_flags} " " ${flag} " given)
    if(given EQUAL -1)
      check_cxx_compiler_flag(${flag} ${supported})
      if(${supported})
        add_compile_options(${flag})
      endif()
    endif()
  endforeach()
endfunction()

# keysound_harden_link(<flag>...): the same for the linker.
function(keysound_harden_link)
  foreach(flag IN LISTS ARGN)
    string(MAKE_C_IDENTIFIER "KEYSOUND_LINKER_HAS${flag}" supported)
    string(FIND " ${keysound_given_link_flags} " " ${flag} " given)
    if(given EQUAL -1)
      check_linker_flag(CXX ${flag} ${supported})
      if(${supported})
        add_link_options(${flag})
      endif()
    endif()
  endforeach()
endfunction()

check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
# -fstack-clash-protection and -fcf-protection: what newer dpkg-buildflags adds on amd64 too.
# -Werror=format-security is checked with -Wformat, without which the compiler ignores it.
set(CMAKE_REQUIRED_FLAGS -Wformat)
keysound_harden_compile(-fstack-protector-strong -fstack-clash-protection -fcf-protection -Wformat
                        -Werror=format-security)
unset(CMAKE_REQUIRED_FLAGS)
keysound_harden_link(-Wl,-z,relro -Wl,-z,now)
# _FORTIFY_SOURCE checks only optimised code, and AddressSanitizer (the fuzz build) replaces the
# same functions. Level 3 also checks buffers whose size is known only at run time; at level 2
# the compiler proves every call of keysound and keysound-db safe or unknowable, and no call is
# checked. A value given in CPPFLAGS wins.
if(NOT KEYSOUND_FUZZ AND NOT keysound_given_flags MATCHES "_FORTIFY_SOURCE")
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=3>)
endif()
