# keysound_isolate_test(<name>)
# No test uses a folder the user named or touches a real home folder: KEYSOUND_FOLDER is unset,
# and XDG_DATA_HOME and XDG_CACHE_HOME point at scratch folders of the test's own in the build tree.
function(keysound_isolate_test name)
  set(scratch ${CMAKE_BINARY_DIR}/test-home/${name})
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT_MODIFICATION
    KEYSOUND_FOLDER=unset: XDG_DATA_HOME=set:${scratch}/data XDG_CACHE_HOME=set:${scratch}/cache)
endfunction()

# keysound_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One QtTest executable per class or feature, run headless by CTest.
function(keysound_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test keysound_testsupport ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SDL_AUDIODRIVER=dummy;LC_ALL=C.UTF-8;KEYSOUND_JET_READER=$<TARGET_FILE:keysound-jet-reader>;KEYSOUND_DECODER=$<TARGET_FILE:keysound-decoder>"
    TIMEOUT 300)
  keysound_isolate_test(${name})
endfunction()
