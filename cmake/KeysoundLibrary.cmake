# keysound_public_headers(<target> <header>...)
# A library shows its users only the headers named here: they are linked into an include folder
# of the library's own in the build tree, and that folder is all its users get. The library's own
# sources see their whole subsystem folder. So a private header used from outside fails to build.
function(keysound_public_headers target)
  file(RELATIVE_PATH subsystem ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  set(public ${KEYSOUND_INCLUDE_ROOT}/${target})
  foreach(header IN LISTS ARGN)
    set(link ${public}/${subsystem}/${header})
    get_filename_component(folder ${link} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${header} ${link} SYMBOLIC)
  endforeach()
  # A sub-folder of a subsystem (store/legacy in store) is already inside its parent's link.
  set(private ${KEYSOUND_INCLUDE_ROOT}/${target}-private)
  if(NOT EXISTS ${private}/${subsystem})
    get_filename_component(parent ${private}/${subsystem} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${private}/${subsystem} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${public} PRIVATE ${private})
endfunction()
