# Turns a published table carried in the tree (a CSV: the expected header,
# then one line per wavelength, FIRST nm on at STEP nm, COUNT lines) into
# C++ rows {nm, {v1, …}}. An empty cell is 0 where the table publishes no
# value (only with -DEMPTY=ON). Refuses a table of another shape, a row out
# of step or a cell that is not a number, so that a damaged copy stops the
# build instead of shifting a value.
#
# Usage: cmake -DIN=table.csv -DOUT=table.inc -DHEADER=nm,a,b -DFIRST=380
#              -DSTEP=1 -DCOUNT=401 [-DEMPTY=ON] -P this file
cmake_policy(SET CMP0007 NEW) # keep the empty cells of a row
file(STRINGS ${IN} lines)
list(POP_FRONT lines header)
string(STRIP "${header}" header)
if(NOT header STREQUAL HEADER)
  message(FATAL_ERROR "${IN}: the header is \"${header}\", expected \"${HEADER}\"")
endif()
string(REPLACE "," ";" names "${HEADER}")
list(LENGTH names columns)
list(LENGTH lines count)
if(NOT count EQUAL COUNT)
  message(FATAL_ERROR "${IN}: ${count} rows, expected ${COUNT} from ${FIRST} nm at ${STEP} nm")
endif()
set(out "// Generated from ${IN} at build time; do not edit.\n")
set(expected ${FIRST})
foreach(line IN LISTS lines)
  string(STRIP "${line}" line)
  string(REPLACE "," ";" cells "${line}")
  list(LENGTH cells n)
  list(POP_FRONT cells nm)
  if(NOT n EQUAL columns OR NOT nm STREQUAL expected)
    message(FATAL_ERROR "${IN}: the row for ${expected} nm is \"${line}\"")
  endif()
  set(values "")
  foreach(v IN LISTS cells)
    if(v STREQUAL "" AND EMPTY)
      set(v 0)
    elseif(NOT v MATCHES "^[0-9]+(\\.[0-9]+)?([Ee][-+]?[0-9]+)?$")
      message(FATAL_ERROR "${IN}: \"${v}\" at ${nm} nm is not a number")
    endif()
    list(APPEND values ${v})
  endforeach()
  string(REPLACE ";" ", " row "${values}")
  string(APPEND out "{${nm}, {${row}}},\n")
  math(EXPR expected "${expected} + ${STEP}")
endforeach()
file(WRITE ${OUT} "${out}")
