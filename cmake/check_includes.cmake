# Refuses an include that goes up a layer. Run by the build (cmake -P) for one layer:
#   -DLAYER=text -DALLOWED="geometry;site" -DSOURCES="/abs/a.cpp;/abs/a.h;..."
# A project header is included as "folder/name.h"; the folder must be the layer's own or one it
# may use. Two modules of one layer (name.cpp with name.h) must not include each other.
# Exits with an error naming the file, the line and the include.
cmake_minimum_required(VERSION 3.25)

set(failures "")
set(edges "")
foreach(source IN LISTS SOURCES)
  file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  get_filename_component(name "${source}" NAME_WE)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*" "\\1" header "${line}")
    get_filename_component(folder "${header}" DIRECTORY)
    get_filename_component(included "${header}" NAME_WE)
    if(folder STREQUAL LAYER)
      if(NOT included STREQUAL name)
        list(APPEND edges "${name}>${included}")
      endif()
    elseif(NOT folder IN_LIST ALLOWED)
      list(APPEND failures "${source}: #include \"${header}\": ${LAYER}/ may not use ${folder}/")
    endif()
  endforeach()
endforeach()

list(REMOVE_DUPLICATES edges)
foreach(edge IN LISTS edges)
  string(REPLACE ">" ";" pair "${edge}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  if("${to}>${from}" IN_LIST edges AND from STRLESS to)
    list(APPEND failures "${LAYER}/${from} and ${LAYER}/${to} include each other")
  endif()
endforeach()

if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "An include goes against the layers (DEVELOPERS.md):\n${text}")
endif()
