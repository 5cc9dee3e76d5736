# cmake -DLUPDATE=<lupdate> -DOPTIONS=<its options> -DSOURCES=<list file for lupdate> -DCATALOGUE=<.ts>
#       -DWORK=<folder> -P CheckCatalogue.cmake
# Fails, naming the texts, when a source text has no finished translation, or when the catalogue
# holds texts the sources no longer have: a message would show in English under a Chinese locale,
# or the catalogue has gone stale. `cmake --build build --target update_translations` refreshes it.
set(updated ${WORK}/catalogue.ts)
configure_file(${CATALOGUE} ${updated} COPYONLY)
execute_process(COMMAND ${LUPDATE} ${OPTIONS} @${SOURCES} -ts ${updated}
                RESULT_VARIABLE status OUTPUT_VARIABLE report ERROR_VARIABLE report)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "lupdate failed (${status}):\n${report}")
endif()
file(READ ${updated} after)
string(REPLACE "&quot;" "\"" texts "${after}")  # no semicolon left to split the lists below
string(REGEX MATCHALL "<source>[^<]*</source>[ \n]*<translation type=\"unfinished\"" untranslated "${texts}")
string(REGEX MATCHALL "<translation></translation>" empty "${texts}")
list(LENGTH untranslated untranslatedCount)
list(LENGTH empty emptyCount)
if(untranslatedCount OR emptyCount)
  string(REPLACE ";" "\n" untranslated "${untranslated}")
  message(FATAL_ERROR "${untranslatedCount} texts without a translation, ${emptyCount} empty:\n${untranslated}")
endif()
file(READ ${CATALOGUE} before)
if(NOT before STREQUAL after)
  message(FATAL_ERROR "the catalogue holds texts the sources no longer have:\n${report}")
endif()
message(STATUS "${report}")
