# keysound_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One QtTest executable per class or feature, run headless by CTest.
function(keysound_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test keysound_testsupport ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SDL_AUDIODRIVER=dummy;LC_ALL=C.UTF-8;KEYSOUND_JET_READER=$<TARGET_FILE:keysound-jet-reader>;KEYSOUND_SOUND_CHECKER=$<TARGET_FILE:keysound-sound-checker>"
    TIMEOUT 300)
endfunction()
