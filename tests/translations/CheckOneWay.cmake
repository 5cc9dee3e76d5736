# cmake -DSOURCES=<list file for lupdate> -P CheckOneWay.cmake
# Fails, naming the file and the call, where a message is translated other than the one way
# written down in platform/Language.h: each folder has one text class <Name>Text, declared with
# Q_DECLARE_TR_FUNCTIONS(<Name>Text) in its own <Name>Text.h, and a file translates only through
# <Name>Text::tr() of its folder and QT_TRANSLATE_NOOP("<Name>Text", ...). A second way (a context
# of a call's own, a QObject's own tr(), QT_TR_NOOP) would split the catalogue again, and a text
# marked in one context but looked up in another shows in English.
file(STRINGS ${SOURCES} entries)
list(FILTER entries EXCLUDE REGEX "^-")  # lupdate's include folders

# Comments name the calls they explain; only code counts.
function(read_code file out)
  file(READ ${file} text)
  string(REGEX REPLACE "//[^\n]*" "" text "${text}")
  string(REGEX REPLACE "/\\*([^*]|\\*+[^*/])*\\*+/" "" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(faults "")
foreach(file IN LISTS entries)
  read_code(${file} code)
  string(REGEX MATCHALL "Q_DECLARE_TR_FUNCTIONS[ \t]*\\([^)]*\\)" declarations "${code}")
  get_filename_component(folder ${file} DIRECTORY)
  get_filename_component(header ${file} NAME)
  foreach(declaration IN LISTS declarations)
    string(REGEX REPLACE ".*\\([ \t]*([^ \t)]*).*" "\\1" name "${declaration}")
    if(NOT name MATCHES "^[A-Za-z0-9]+Text$" OR NOT header STREQUAL "${name}.h")
      string(APPEND faults "${file}: ${declaration} is not a text class <Name>Text in its own <Name>Text.h\n")
    elseif(DEFINED text_class_${folder})
      string(APPEND faults "${file}: a second text class ${name} beside ${text_class_${folder}}\n")
    else()
      set(text_class_${folder} ${name})
    endif()
  endforeach()
endforeach()

set(other_ways "translate|trUtf8|qtTrId|QT_TR_NOOP|QT_TR_N_NOOP|QT_TRANSLATE_N_NOOP|QT_TRANSLATE_NOOP3|QT_TRID_NOOP|QT_TRID_N_NOOP")
foreach(file IN LISTS entries)
  read_code(${file} code)
  get_filename_component(folder ${file} DIRECTORY)
  set(own "${text_class_${folder}}")
  string(REGEX MATCHALL "[A-Za-z0-9_:]*(tr|${other_ways})[ \t]*\\(" calls "${code}")
  foreach(call IN LISTS calls)
    string(REGEX REPLACE "[ \t]*\\($" "" name "${call}")
    if(name MATCHES "^(.*::)?tr$")
      if(own STREQUAL "")
        string(APPEND faults "${file}: ${name}() in a folder without a text class\n")
      elseif(NOT name MATCHES "^(.*::)?${own}::tr$")
        string(APPEND faults "${file}: ${name}() instead of ${own}::tr()\n")
      endif()
    elseif(name MATCHES "^(.*::)?(${other_ways})$")
      string(APPEND faults "${file}: ${name}() instead of ${own}::tr() or QT_TRANSLATE_NOOP(\"${own}\", ...)\n")
    endif()
  endforeach()
  string(REGEX MATCHALL "QT_TRANSLATE_NOOP[ \t]*\\([ \t\n]*\"[^\"]*\"" marks "${code}")
  foreach(mark IN LISTS marks)
    string(REGEX REPLACE ".*\"([^\"]*)\"$" "\\1" context "${mark}")
    if(NOT context STREQUAL own OR own STREQUAL "")
      string(APPEND faults "${file}: a text marked in the context \"${context}\", not in \"${own}\"\n")
    endif()
  endforeach()
endforeach()

if(faults)
  message(FATAL_ERROR "Messages translated another way than their folder's text class:\n${faults}")
endif()
