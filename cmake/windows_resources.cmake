# Windows resources of the programs: the icon made from res/tarnwell.svg at
# build time, the application manifest and a version resource, compiled with
# windres. Included by the Windows build at the top level (enable_language
# needs that scope).
#
#   tarnwell_add_windows_resources(<target> <description> [NO_TEST])
#
# links them into the executable <target> (icon group TARNWELL_IDI_APP from
# res/windows/resource_ids.h, manifest 1, version with <description> as the
# file description) and, unless NO_TEST, adds the test win_resources_<target>,
# which reads them back from the built file. A program's own resource script (dialogs,
# menus) is added as a plain source and keeps clear of those ids.
enable_language(RC)

set(TARNWELL_WINDOWS_RES_DIR ${PROJECT_SOURCE_DIR}/res/windows)
set(TARNWELL_PRODUCT_NAME Tarnwell)

# Four fields, as Windows shows versions (3.13 -> 3.13.0.0).
set(TARNWELL_VERSION_FIELDS)
foreach(part MAJOR MINOR PATCH TWEAK)
  set(field "${PROJECT_VERSION_${part}}")
  if(field STREQUAL "")
    set(field 0)
  endif()
  list(APPEND TARNWELL_VERSION_FIELDS ${field})
endforeach()
list(JOIN TARNWELL_VERSION_FIELDS . TARNWELL_VERSION_QUAD)
list(JOIN TARNWELL_VERSION_FIELDS , TARNWELL_VERSION_COMMAS)

set(TARNWELL_WINDOWS_MANIFEST ${CMAKE_BINARY_DIR}/res/windows/tarnwell.manifest)
configure_file(${TARNWELL_WINDOWS_RES_DIR}/tarnwell.manifest.in ${TARNWELL_WINDOWS_MANIFEST}
  @ONLY)

# The icon: each size rendered from the SVG (not scaled from a larger one, so
# the small ones stay sharp), 256 px stored as PNG, the others as bitmaps
# that every Windows version reads. Both tools run on the build machine.
find_program(TARNWELL_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(TARNWELL_ICOTOOL icotool REQUIRED)
set(TARNWELL_WINDOWS_ICON ${CMAKE_BINARY_DIR}/res/windows/tarnwell.ico)
set(icon_dir ${CMAKE_BINARY_DIR}/res/windows/icon)
set(icon_commands)
set(icon_pngs)
foreach(size 16 24 32 48 256)
  list(APPEND icon_commands COMMAND ${TARNWELL_RSVG_CONVERT} -w ${size} -h ${size}
    -o ${icon_dir}/${size}.png ${PROJECT_SOURCE_DIR}/res/tarnwell.svg)
  list(APPEND icon_pngs ${icon_dir}/${size}.png)
endforeach()
list(POP_BACK icon_pngs large_png)
add_custom_command(
  OUTPUT ${TARNWELL_WINDOWS_ICON}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_dir}
  ${icon_commands}
  COMMAND ${TARNWELL_ICOTOOL} -c -o ${TARNWELL_WINDOWS_ICON} ${icon_pngs} --raw=${large_png}
  DEPENDS ${PROJECT_SOURCE_DIR}/res/tarnwell.svg
  COMMENT "Making tarnwell.ico"
  VERBATIM)
add_custom_target(tarnwell_windows_icon DEPENDS ${TARNWELL_WINDOWS_ICON})

function(tarnwell_add_windows_resources target description)
  get_target_property(internal_name ${target} OUTPUT_NAME)
  if(NOT internal_name)
    set(internal_name ${target})
  endif()
  set(TARNWELL_RC_INTERNAL_NAME ${internal_name})
  set(TARNWELL_RC_FILE_NAME ${internal_name}${CMAKE_EXECUTABLE_SUFFIX})
  # Resource-script string: backslashes and quotes escaped.
  string(REPLACE "\\" "\\\\" TARNWELL_RC_DESCRIPTION "${description}")
  string(REPLACE "\"" "\"\"" TARNWELL_RC_DESCRIPTION "${TARNWELL_RC_DESCRIPTION}")

  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_resources.rc)
  configure_file(${TARNWELL_WINDOWS_RES_DIR}/resources.rc.in ${script} @ONLY)
  target_sources(${target} PRIVATE ${script})
  # windres reads the icon and the manifest itself, so no dependency scan sees them.
  set_source_files_properties(${script} PROPERTIES
    OBJECT_DEPENDS "${TARNWELL_WINDOWS_ICON};${TARNWELL_WINDOWS_MANIFEST}")
  add_dependencies(${target} tarnwell_windows_icon)

  if(NOT "NO_TEST" IN_LIST ARGN)
    add_test(NAME win_resources_${target}
      COMMAND ${TARNWELL_WINDOWS_RES_DIR}/resources_test.py $<TARGET_FILE:${target}>
        ${TARNWELL_VERSION_QUAD} ${TARNWELL_PRODUCT_NAME} ${description})
  endif()
endfunction()
