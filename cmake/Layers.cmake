# The layers, lowest first, and what each may include besides its own folder. The build runs
# cmake/check_includes.cmake on a target's sources before compiling them and stops on an
# include that goes up (halvessa_layer below).
set(HALVESSA_USES_geometry "")
set(HALVESSA_USES_site geometry)
set(HALVESSA_USES_series geometry site)
set(HALVESSA_USES_clearsky geometry)
set(HALVESSA_USES_energy geometry site clearsky)
set(HALVESSA_USES_pipeline geometry site series clearsky energy)
set(HALVESSA_USES_summary geometry site series clearsky energy pipeline)
set(HALVESSA_USES_text geometry site series clearsky energy pipeline)
set(HALVESSA_USES_files geometry site series clearsky energy pipeline text)
set(HALVESSA_USES_window geometry site series clearsky energy pipeline summary text files)
set(HALVESSA_USES_window/qt ${HALVESSA_USES_window} window)
set(HALVESSA_USES_cli geometry site series clearsky energy pipeline summary text files)
set(HALVESSA_USES_app ${HALVESSA_USES_window/qt} window/qt)
set(HALVESSA_USES_testing ${HALVESSA_USES_window} window)
set(HALVESSA_USES_bench ${HALVESSA_USES_app} app testing)

# halvessa_layer(target layer): checks the includes of target's sources against layer's list.
function(halvessa_layer target layer)
  get_target_property(sources ${target} SOURCES)
  get_target_property(dir ${target} SOURCE_DIR)
  set(paths "")
  foreach(source IN LISTS sources)
    if(source MATCHES "\\.(cpp|h)$")
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${dir} OUTPUT_VARIABLE path)
      list(APPEND paths ${path})
    endif()
  endforeach()
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.layer)
  # Lists cross the command line with $<SEMICOLON>, which the generator turns back into ";".
  string(REPLACE ";" "$<SEMICOLON>" allowed "${HALVESSA_USES_${layer}}")
  string(REPLACE ";" "$<SEMICOLON>" listed "${paths}")
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DLAYER=${layer} "-DALLOWED=${allowed}" "-DSOURCES=${listed}"
            -P ${PROJECT_SOURCE_DIR}/cmake/check_includes.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${paths} ${PROJECT_SOURCE_DIR}/cmake/check_includes.cmake
    COMMENT "Layers: the includes of ${target}"
    VERBATIM)
  add_custom_target(${target}_layer DEPENDS ${stamp})
  add_dependencies(${target} ${target}_layer)
endfunction()
