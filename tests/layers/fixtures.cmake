# The include rule's own test: the checker passes a layer that includes only below it and
# refuses an include that goes up and two modules of a layer that include each other, naming
# the file, the include and the modules.
cmake_minimum_required(VERSION 3.25)
set(dir ${CMAKE_CURRENT_BINARY_DIR}/layer_fixtures)
file(MAKE_DIRECTORY ${dir})
file(WRITE ${dir}/fine.cpp "#include \"text/fine.h\"\n#include \"geometry/calendar.h\"\n#include <QString>\n")
file(WRITE ${dir}/up.cpp "  #  include \"window/form.h\"  // the window's model\n")
file(WRITE ${dir}/a.cpp "#include \"text/b.h\"\n")
file(WRITE ${dir}/b.h "#include \"text/a.h\"\n")

function(expect sources outcome pattern)
  execute_process(COMMAND ${CMAKE_COMMAND} -DLAYER=text "-DALLOWED=geometry;site"
                          "-DSOURCES=${sources}" -P ${CHECKER}
                  RESULT_VARIABLE status ERROR_VARIABLE err)
  string(REGEX REPLACE "[ \n]+" " " err "${err}")  # CMake wraps its messages
  if(NOT status EQUAL outcome OR NOT err MATCHES "${pattern}")
    message(FATAL_ERROR "${sources}: status ${status}, expected ${outcome}:\n${err}")
  endif()
endfunction()

expect("${dir}/fine.cpp" 0 "")
expect("${dir}/fine.cpp;${dir}/up.cpp" 1 "up.cpp: #include \"window/form.h\": text/ may not use window/")
expect("${dir}/a.cpp;${dir}/b.h" 1 "text/a and text/b include each other")
