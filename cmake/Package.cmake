# What a user downloads, laid out in ${HUSHBAR_DIST_ROOT}: the installer holding both
# builds, hushbar-<version>-setup.exe, and one portable zip per build holding the program
# folder as it ships. Made by the 64-bit tree; the 32-bit program folder comes from the
# 32-bit tree (preset mingw-cross-i686), which `make package` builds first.
if(NOT HUSHBAR_ARCH_DIR STREQUAL "win64")
  return()
endif()

find_program(HUSHBAR_MAKENSIS makensis)
set(package_win32 "${HUSHBAR_DIST_ROOT}/win32")
set(package_shipped hushbar/hushbar.exe hushbar/objects.dll hushbar/latest.xml)
set(HUSHBAR_SETUP "${HUSHBAR_DIST_ROOT}/hushbar-${PROJECT_VERSION}-setup.exe")
set(HUSHBAR_ZIP64 "${HUSHBAR_DIST_ROOT}/hushbar-${PROJECT_VERSION}-win64.zip")
set(HUSHBAR_ZIP32 "${HUSHBAR_DIST_ROOT}/hushbar-${PROJECT_VERSION}-win32.zip")

# The 32-bit files have no rule in this tree: they are staged here on every build, and
# what is made from them is made again only when they changed.
set(package_win32_stage "${CMAKE_BINARY_DIR}/win32-stage")
set(package_win32_files "")
foreach(file IN LISTS package_shipped)
  list(APPEND package_win32_files "${package_win32_stage}/${file}")
endforeach()
add_custom_target(hushbar_win32_stage
  COMMAND ${CMAKE_COMMAND} -E make_directory ${package_win32_stage}/hushbar
  COMMAND ${CMAKE_COMMAND} -DFROM=${package_win32} -DTO=${package_win32_stage} "-DFILES=${package_shipped}"
          -P ${CMAKE_SOURCE_DIR}/cmake/StageFiles.cmake
  BYPRODUCTS ${package_win32_files}
  VERBATIM)

set(package_win64_files $<TARGET_FILE:hushbar> ${CMAKE_SOURCE_DIR}/res/objects.dll ${HUSHBAR_GENERATED}/latest.xml)

# The program folder, not only its files: unpacked, the zip gives a folder "hushbar".
function(hushbar_zip zip folder bits)
  add_custom_command(OUTPUT ${zip}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${zip}
    COMMAND ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip ${package_shipped}
    WORKING_DIRECTORY ${folder}
    DEPENDS ${ARGN}
    COMMENT "Zipping the ${bits}-bit program folder"
    VERBATIM)
endfunction()
hushbar_zip(${HUSHBAR_ZIP64} ${HUSHBAR_DIST} 64 ${package_win64_files})
hushbar_zip(${HUSHBAR_ZIP32} ${package_win32_stage} 32 ${package_win32_files})

add_custom_command(OUTPUT ${HUSHBAR_SETUP}
  COMMAND ${HUSHBAR_MAKENSIS} -V2 -INPUTCHARSET UTF8
          -DVERSION=${PROJECT_VERSION} "-DMAKER=${HUSHBAR_MAKER_NAME}"
          -DWIN64_DIR=${HUSHBAR_DIST}/hushbar -DWIN32_DIR=${package_win32_stage}/hushbar
          -DOUTFILE=${HUSHBAR_SETUP} -DICON=${CMAKE_SOURCE_DIR}/res/hushbar.ico
          ${CMAKE_SOURCE_DIR}/installer/hushbar.nsi
  DEPENDS ${CMAKE_SOURCE_DIR}/installer/hushbar.nsi ${package_win64_files} ${package_win32_files}
          ${CMAKE_SOURCE_DIR}/res/hushbar.ico
  COMMENT "Building the installer"
  VERBATIM)

add_custom_target(hushbar_package DEPENDS ${HUSHBAR_SETUP} ${HUSHBAR_ZIP64} ${HUSHBAR_ZIP32})
add_dependencies(hushbar_package hushbar hushbar_win32_stage)

if(TARGET test_package)
  target_compile_definitions(test_package PRIVATE "HUSHBAR_TEST_SETUP=\"Z:${HUSHBAR_SETUP}\""
                             "HUSHBAR_TEST_VERSION=\"${PROJECT_VERSION}\"")
endif()

# What Explorer's Properties and the loader read from both programs: the version resource,
# the manifest and the Windows version the PE header asks for. Runs on the build host.
if(HUSHBAR_BUILD_TESTS)
  add_test(NAME shipped_programs
           COMMAND ${CMAKE_SOURCE_DIR}/tests/package/check-shipped.sh "${PROJECT_VERSION}" "${HUSHBAR_MAKER_NAME}"
                   ${HUSHBAR_DIST}/hushbar/hushbar.exe amd64 ${package_win32}/hushbar/hushbar.exe x86)
endif()
