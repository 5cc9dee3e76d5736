# cmake -DDATABASE=<db1.mdb> -DTOOL=<keysound-db> -DSEED=<seed.tsv> -P MakeDefaultDatabase.cmake
if(EXISTS "${DATABASE}")
  return()
endif()
execute_process(COMMAND "${TOOL}" init --seed "${SEED}" "${DATABASE}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE "${DATABASE}")
  message(FATAL_ERROR "keysound-db could not create ${DATABASE}")
endif()
