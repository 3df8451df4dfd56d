# The shutter life makers test or rate their cameras for (shutter_life.tsv),
# read and checked when the page is built: a row without its source, or
# with a figure that is not a whole positive number, fails the build.
#
cmake_policy(VERSION 3.20)

# Included, it gives auslomat_shutter_life(<table> <variable>), which sets
# the variable to the rows as a JavaScript array literal for the page. Run
# with `cmake -DTABLE=<table> -P shutter_life.cmake`, it only checks.

# The columns, as the table's first line names them.
set(_auslomat_life_columns "maker;model;rated_cycles;kind;by;source_url;model_checked")

function(_auslomat_life_fail table number message)
  message(FATAL_ERROR "${table}:${number}: ${message}")
endfunction()

function(auslomat_shutter_life table out)
  file(STRINGS "${table}" lines ENCODING UTF-8)
  list(LENGTH lines count)
  if(count LESS 2)
    _auslomat_life_fail("${table}" 1 "no rows")
  endif()
  set(rows "")
  set(models "")
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    # Characters that would break the list below or the page's script.
    if(line MATCHES "[;\"\\\\<>]")
      _auslomat_life_fail("${table}" ${number} "holds one of ; \" \\ < >")
    endif()
    string(REPLACE "\t" ";" fields "${line}")
    list(LENGTH fields field_count)
    if(NOT field_count EQUAL 7)
      _auslomat_life_fail("${table}" ${number} "${field_count} columns, not 7")
    endif()
    if(number EQUAL 1)
      if(NOT fields STREQUAL _auslomat_life_columns)
        _auslomat_life_fail("${table}" 1 "the columns are not ${_auslomat_life_columns}")
      endif()
      continue()
    endif()
    list(GET fields 0 maker)
    list(GET fields 1 model)
    list(GET fields 2 cycles)
    list(GET fields 3 kind)
    list(GET fields 4 by)
    list(GET fields 5 source)
    list(GET fields 6 checked)
    if(maker STREQUAL "" OR model STREQUAL "")
      _auslomat_life_fail("${table}" ${number} "no maker or no model")
    endif()
    # A whole positive number, as a person writes it, and one a page can
    # count with exactly.
    if(NOT cycles MATCHES "^[1-9][0-9]?[0-9]?[0-9]?[0-9]?[0-9]?[0-9]?[0-9]?[0-9]?$")
      _auslomat_life_fail("${table}" ${number} "rated_cycles \"${cycles}\" is no whole positive number")
    endif()
    if(NOT kind MATCHES "^(tested|rated|at least)$")
      _auslomat_life_fail("${table}" ${number} "kind \"${kind}\" is none of tested, rated, at least")
    endif()
    if(NOT by MATCHES "^(maker|report)$")
      _auslomat_life_fail("${table}" ${number} "by \"${by}\" is neither maker nor report")
    endif()
    if(NOT source MATCHES "^https?://[^ ]+[.][^ ]+$")
      _auslomat_life_fail("${table}" ${number} "no source URL")
    endif()
    if(NOT checked MATCHES "^(yes|no)$")
      _auslomat_life_fail("${table}" ${number} "model_checked \"${checked}\" is neither yes nor no")
    endif()
    # The page finds a row by its model, without case and trailing blanks.
    string(STRIP "${model}" key)
    string(TOLOWER "${key}" key)
    if(key IN_LIST models)
      _auslomat_life_fail("${table}" ${number} "\"${model}\" stands in the table twice")
    endif()
    list(APPEND models "${key}")
    string(APPEND rows "[\"${maker}\",\"${model}\",${cycles},\"${kind}\",\"${by}\",\"${source}\"],")
  endforeach()
  set(${out} "[${rows}]" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE AND DEFINED TABLE)
  auslomat_shutter_life("${TABLE}" rows)
endif()
