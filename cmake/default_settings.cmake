# Writes the default settings file beside the client (the embedded demo database) unless
# one is already there: a file pointed at a real server is never overwritten.
if(NOT EXISTS "${FILE}")
  execute_process(COMMAND "${ADMIN}" settings write --file "${FILE}" --account qel_start --password qel13start
                          --server embedded --catalog QEL
                  RESULT_VARIABLE rc OUTPUT_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "could not write ${FILE}")
  endif()
endif()
