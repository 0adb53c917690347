# A Windows program's resources: the manifest (per-monitor DPI awareness,
# common controls 6, Windows 10 and 11, asInvoker), the icon made from
# dist/tavik.svg, and a version resource with the project's version.
#   tavik_windows_resources(TARGET NAME DESCRIPTION)
enable_language(RC)
set(TAVIK_WINDOWS_ICON ${CMAKE_BINARY_DIR}/dist/windows/tavik.ico)
if(NOT TARGET tavik_windows_icon)
  add_custom_command(OUTPUT ${TAVIK_WINDOWS_ICON}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/dist/windows
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/windows-icon.sh ${CMAKE_SOURCE_DIR}/dist/tavik.svg ${TAVIK_WINDOWS_ICON}
    DEPENDS ${CMAKE_SOURCE_DIR}/dist/tavik.svg ${CMAKE_SOURCE_DIR}/scripts/windows-icon.sh
    VERBATIM)
  add_custom_target(tavik_windows_icon DEPENDS ${TAVIK_WINDOWS_ICON})
endif()

function(tavik_windows_resources target name description)
  set(TAVIK_RC_NAME ${name})
  set(TAVIK_RC_DESCRIPTION ${description})
  set(TAVIK_RC_MANIFEST ${CMAKE_SOURCE_DIR}/dist/windows/tavik.manifest)
  set(TAVIK_RC_ICON ${TAVIK_WINDOWS_ICON})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${name}.rc)
  configure_file(${CMAKE_SOURCE_DIR}/dist/windows/tavik.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES
    OBJECT_DEPENDS "${TAVIK_RC_MANIFEST};${TAVIK_WINDOWS_ICON}")
  add_dependencies(${target} tavik_windows_icon)
endfunction()
