# Writes the page: its lists of what is read, from the reader's own tables
# (LISTS, run by NODE, prints NAME=text lines for the placeholders @NAME@),
# the table of rated shutter life (SHUTTER_LIFE, checked), and the reader's
# script (the compiled reader, its WebAssembly inside) in its place: one
# self-contained file.
include(${CMAKE_CURRENT_LIST_DIR}/shutter_life.cmake)
file(READ ${TEMPLATE} page)
file(READ ${SCRIPT} script)
# Inside a script element these would end it or change how it is parsed.
foreach(breaker "</script" "</SCRIPT" "<!--")
  string(FIND "${script}" "${breaker}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "${SCRIPT} holds ${breaker} and cannot stand inside the page")
  endif()
endforeach()

execute_process(COMMAND ${NODE} ${LISTS} OUTPUT_VARIABLE lists RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${LISTS} failed: ${failed}")
endif()
string(REGEX MATCHALL "[A-Z_]+=[^\n]*" lists "${lists}")
foreach(line IN LISTS lists)
  string(REGEX REPLACE "=.*" "" name "${line}")
  string(REGEX REPLACE "^[A-Z_]+=" "" text "${line}")
  string(REPLACE "@${name}@" "${text}" page "${page}")
endforeach()
auslomat_shutter_life(${SHUTTER_LIFE} rows)
string(REPLACE "@SHUTTER_LIFE@" "${rows}" page "${page}")
string(REPLACE "@READER_SCRIPT@" "" rest "${page}")
string(REGEX MATCH "@[A-Z_]+@" unfilled "${rest}")
if(unfilled)
  message(FATAL_ERROR "nothing fills the page's ${unfilled}")
endif()

string(REPLACE "@READER_SCRIPT@" "${script}" page "${page}")
file(WRITE ${OUTPUT} "${page}")
