# A clone of the project builds, runs and passes its tests with nothing beside it: no file of the
# project may reach for a folder next to the checkout. Run as: cmake -DROOT=<source dir> -P this.
set(up "..")
set(beside "${up}/shar")
string(APPEND beside "ed")
string(REPLACE "." "\\." pattern "${beside}")
set(pattern "${pattern}|shar")
string(APPEND pattern "ed/(data|fixtures|design)")

file(GLOB top LIST_DIRECTORIES false RELATIVE ${ROOT} ${ROOT}/* ${ROOT}/.ci/*)
file(GLOB_RECURSE tree LIST_DIRECTORIES false RELATIVE ${ROOT}
     ${ROOT}/src/* ${ROOT}/tests/* ${ROOT}/tools/* ${ROOT}/bench/* ${ROOT}/scripts/* ${ROOT}/data/*)
set(found "")
foreach(f ${top} ${tree})
  file(STRINGS ${ROOT}/${f} lines REGEX "${pattern}")
  foreach(line ${lines})
    string(APPEND found "\n  ${f}: ${line}")
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "Files of the project refer to the folder beside the checkout:${found}")
endif()
