# The table of rated shutter life is checked as the page's build reads it:
# the project's own table passes, and each row below, added to it, fails
# the check (CHECK) with its reason.
execute_process(COMMAND ${CMAKE_COMMAND} -DTABLE=${TABLE} -P ${CHECK}
                RESULT_VARIABLE failed ERROR_VARIABLE error)
if(failed)
  message(FATAL_ERROR "the table does not pass its own check:\n${error}")
endif()

file(READ ${TABLE} table)
set(source "https://www.nikonimgsupport.com/eu/BV_article?articleNo=000044853")
set(cases
  "no source|Nikon\tNIKON Z 8\t200000\ttested\tmaker\t\tyes|no source URL"
  "a source that is no URL|Nikon\tNIKON Z 8\t200000\ttested\tmaker\tNikon's site\tyes|no source URL"
  "a figure of 0|Nikon\tNIKON Z 8\t0\ttested\tmaker\t${source}\tyes|no whole positive number"
  "a figure with a fraction|Nikon\tNIKON Z 8\t1.5\ttested\tmaker\t${source}\tyes|no whole positive number"
  "a figure with a sign|Nikon\tNIKON Z 8\t-200000\ttested\tmaker\t${source}\tyes|no whole positive number"
  "a figure with grouping|Nikon\tNIKON Z 8\t200.000\ttested\tmaker\t${source}\tyes|no whole positive number"
  "a figure past 999999999|Nikon\tNIKON Z 8\t1000000000\ttested\tmaker\t${source}\tyes|no whole positive number"
  "another kind|Nikon\tNIKON Z 8\t200000\tguessed\tmaker\t${source}\tyes|is none of"
  "another source kind|Nikon\tNIKON Z 8\t200000\ttested\tforum\t${source}\tyes|neither maker nor report"
  "a column short|Nikon\tNIKON Z 8\t200000\ttested\tmaker\t${source}|6 columns"
  "a model twice|Nikon\tnikon z 6 \t200000\ttested\tmaker\t${source}\tyes|twice"
  "a quote|Nikon\tNIKON \"Z 8\"\t200000\ttested\tmaker\t${source}\tyes|holds one of")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 what)
  list(GET parts 1 row)
  list(GET parts 2 reason)
  string(REPLACE "\\t" "\t" row "${row}")
  file(WRITE ${WORK}/table.tsv "${table}${row}\n")
  execute_process(COMMAND ${CMAKE_COMMAND} -DTABLE=${WORK}/table.tsv -P ${CHECK}
                  RESULT_VARIABLE failed ERROR_VARIABLE error)
  if(NOT failed)
    message(FATAL_ERROR "a row with ${what} passed the check")
  endif()
  string(REGEX REPLACE "[ \n]+" " " error "${error}")  # CMake folds its messages
  string(FIND "${error}" "${reason}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "a row with ${what} failed for another reason:\n${error}")
  endif()
endforeach()
