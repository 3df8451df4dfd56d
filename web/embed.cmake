# Writes the page with the worker's script (the compiled reader, its
# WebAssembly inside) in its place: one self-contained file.
file(READ ${TEMPLATE} page)
file(READ ${SCRIPT} script)
# Inside a script element these would end it or change how it is parsed.
foreach(breaker "</script" "</SCRIPT" "<!--")
  string(FIND "${script}" "${breaker}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "${SCRIPT} holds ${breaker} and cannot stand inside the page")
  endif()
endforeach()
string(REPLACE "@READER_SCRIPT@" "${script}" page "${page}")
file(WRITE ${OUTPUT} "${page}")
