# What a user downloads, laid out in ${HUSHBAR_DIST_ROOT}: the installer holding both
# builds, hushbar-<version>-setup.exe, and one portable zip per build holding the program
# folder as it ships. Made by the 64-bit tree; the 32-bit program folder comes from the
# 32-bit tree (preset mingw-cross-i686), which `make package` builds first.
if(NOT HUSHBAR_ARCH_DIR STREQUAL "win64")
  return()
endif()

find_program(HUSHBAR_MAKENSIS makensis)
set(package_win32 "${HUSHBAR_DIST_ROOT}/win32")
set(package_shipped hushbar/hushbar.exe hushbar/objects.dll hushbar/latest.xml hushbar/policy/hushbar.admx
                     hushbar/policy/en-US/hushbar.adml)
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

set(package_win64_files $<TARGET_FILE:hushbar> ${CMAKE_SOURCE_DIR}/res/objects.dll ${HUSHBAR_GENERATED}/latest.xml
    ${CMAKE_SOURCE_DIR}/policy/hushbar.admx ${CMAKE_SOURCE_DIR}/policy/en-US/hushbar.adml)
set(package_folder64 ${HUSHBAR_DIST})
set(package_folder32 ${package_win32_stage})

# Code signing: with a certificate and its key, both programs, the setup (and the
# uninstaller inside it) are signed. The programs are signed in copies of their folders, so
# that dist/ keeps what the build made.
set(HUSHBAR_CODE_SIGNING_CERT "" CACHE FILEPATH "Certificate (PEM) that signs the shipped programs; empty: nothing is signed")
set(HUSHBAR_CODE_SIGNING_KEY "" CACHE FILEPATH "Private key of HUSHBAR_CODE_SIGNING_CERT")
set(HUSHBAR_CODE_SIGNING_TIMESTAMP "" CACHE STRING "Timestamp server's URL for the signatures; empty: no timestamp")
set(package_sign "")
if(HUSHBAR_CODE_SIGNING_CERT AND HUSHBAR_CODE_SIGNING_KEY)
  find_program(HUSHBAR_OSSLSIGNCODE osslsigncode REQUIRED)
  set(package_sign ${CMAKE_COMMAND} -DTOOL=${HUSHBAR_OSSLSIGNCODE} -DCERT=${HUSHBAR_CODE_SIGNING_CERT}
      -DKEY=${HUSHBAR_CODE_SIGNING_KEY} -DTIMESTAMP=${HUSHBAR_CODE_SIGNING_TIMESTAMP})
  set(package_sign_script -P ${CMAKE_SOURCE_DIR}/cmake/Sign.cmake)
  function(hushbar_signed_copy bits from var_folder var_files)
    set(to ${CMAKE_BINARY_DIR}/signed/win${bits})
    set(outputs "")
    foreach(file IN LISTS package_shipped)
      list(APPEND outputs ${to}/${file})
    endforeach()
    add_custom_command(OUTPUT ${outputs}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${to}/hushbar
      COMMAND ${CMAKE_COMMAND} -DFROM=${from} -DTO=${to} "-DFILES=${package_shipped}"
              -P ${CMAKE_SOURCE_DIR}/cmake/StageFiles.cmake
      COMMAND ${package_sign} -DFILES=${to}/hushbar/hushbar.exe ${package_sign_script}
      DEPENDS ${ARGN} ${CMAKE_SOURCE_DIR}/cmake/Sign.cmake
      COMMENT "Signing the ${bits}-bit program"
      VERBATIM)
    set(${var_folder} ${to} PARENT_SCOPE)
    set(${var_files} ${outputs} PARENT_SCOPE)
  endfunction()
  hushbar_signed_copy(64 ${HUSHBAR_DIST} package_folder64 package_win64_files ${package_win64_files})
  hushbar_signed_copy(32 ${package_win32_stage} package_folder32 package_win32_files ${package_win32_files})
  # The uninstaller is written by makensis itself, which hands it over for signing.
  set(package_nsis_sign "-DSIGN=${CMAKE_COMMAND} -DTOOL=${HUSHBAR_OSSLSIGNCODE} -DCERT=${HUSHBAR_CODE_SIGNING_CERT} -DKEY=${HUSHBAR_CODE_SIGNING_KEY} -DTIMESTAMP=${HUSHBAR_CODE_SIGNING_TIMESTAMP}" -DSIGN_SCRIPT=${CMAKE_SOURCE_DIR}/cmake/Sign.cmake)
  set(package_sign_setup COMMAND ${package_sign} -DFILES=${HUSHBAR_SETUP} ${package_sign_script})
  set(package_sign_state "${HUSHBAR_CODE_SIGNING_CERT}")
else()
  set(package_nsis_sign "")
  set(package_sign_setup "")
  set(package_sign_state "off")
endif()
# Said once, and again only when it changes.
if(NOT "${package_sign_state}" STREQUAL "${HUSHBAR_SIGNING_SAID}")
  if(package_sign_state STREQUAL "off")
    message(NOTICE "Code signing is off (no HUSHBAR_CODE_SIGNING_CERT and HUSHBAR_CODE_SIGNING_KEY): nothing is signed")
  else()
    message(NOTICE "Code signing with ${package_sign_state}")
  endif()
  set(HUSHBAR_SIGNING_SAID "${package_sign_state}" CACHE INTERNAL "")
endif()

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
hushbar_zip(${HUSHBAR_ZIP64} ${package_folder64} 64 ${package_win64_files})
hushbar_zip(${HUSHBAR_ZIP32} ${package_folder32} 32 ${package_win32_files})

add_custom_command(OUTPUT ${HUSHBAR_SETUP}
  COMMAND ${HUSHBAR_MAKENSIS} -V2 -INPUTCHARSET UTF8
          -DVERSION=${PROJECT_VERSION} "-DMAKER=${HUSHBAR_MAKER_NAME}" "-DMAIN_DIALOG_TITLE=${HUSHBAR_MAIN_TITLE}"
          -DWIN64_DIR=${package_folder64}/hushbar -DWIN32_DIR=${package_folder32}/hushbar
          -DOUTFILE=${HUSHBAR_SETUP} -DICON=${CMAKE_SOURCE_DIR}/res/hushbar.ico ${package_nsis_sign}
          ${CMAKE_SOURCE_DIR}/installer/hushbar.nsi
  ${package_sign_setup}
  DEPENDS ${CMAKE_SOURCE_DIR}/installer/hushbar.nsi ${package_win64_files} ${package_win32_files}
          ${CMAKE_SOURCE_DIR}/res/hushbar.ico
  COMMENT "Building the installer"
  VERBATIM)

# The MSIs for deployment, one per architecture. wixl takes the files' sources relative to
# where it runs: it runs in the program folder.
find_program(HUSHBAR_WIXL wixl)
set(HUSHBAR_MSI64 "${HUSHBAR_DIST_ROOT}/hushbar-${PROJECT_VERSION}-x64.msi")
set(HUSHBAR_MSI32 "${HUSHBAR_DIST_ROOT}/hushbar-${PROJECT_VERSION}-x86.msi")
function(hushbar_msi msi arch folder)
  if(package_sign)
    set(sign COMMAND ${package_sign} -DFILES=${msi} ${package_sign_script})
  endif()
  add_custom_command(OUTPUT ${msi}
    COMMAND ${HUSHBAR_WIXL} -a ${arch} -D Version=${PROJECT_VERSION} -D "Maker=${HUSHBAR_MAKER_NAME}"
            -D Arch=${arch} -D Dir=. -o ${msi} ${CMAKE_SOURCE_DIR}/installer/hushbar.wxs
    ${sign}
    WORKING_DIRECTORY ${folder}/hushbar
    DEPENDS ${CMAKE_SOURCE_DIR}/installer/hushbar.wxs ${ARGN}
    COMMENT "Building the ${arch} MSI"
    VERBATIM)
endfunction()
hushbar_msi(${HUSHBAR_MSI64} x64 ${package_folder64} ${package_win64_files})
hushbar_msi(${HUSHBAR_MSI32} x86 ${package_folder32} ${package_win32_files})
set(package_msis ${HUSHBAR_MSI64} ${HUSHBAR_MSI32})
if(HUSHBAR_BUILD_TESTS)
  # The same files under a lower version, for the test of an upgrade; never shipped.
  set(HUSHBAR_MSI_OLDER "${CMAKE_BINARY_DIR}/hushbar-older-x64.msi")
  add_custom_command(OUTPUT ${HUSHBAR_MSI_OLDER}
    COMMAND ${HUSHBAR_WIXL} -a x64 -D Version=1.0.0 -D "Maker=${HUSHBAR_MAKER_NAME}"
            -D Arch=x64 -D Dir=. -o ${HUSHBAR_MSI_OLDER} ${CMAKE_SOURCE_DIR}/installer/hushbar.wxs
    WORKING_DIRECTORY ${package_folder64}/hushbar
    DEPENDS ${CMAKE_SOURCE_DIR}/installer/hushbar.wxs ${package_win64_files}
    COMMENT "Building an older x64 MSI for the upgrade test"
    VERBATIM)
  list(APPEND package_msis ${HUSHBAR_MSI_OLDER})
endif()

add_custom_target(hushbar_package DEPENDS ${HUSHBAR_SETUP} ${HUSHBAR_ZIP64} ${HUSHBAR_ZIP32} ${package_msis})
add_dependencies(hushbar_package hushbar_dist hushbar_win32_stage)

if(TARGET test_package)
  target_compile_definitions(test_package PRIVATE "HUSHBAR_TEST_SETUP=\"Z:${HUSHBAR_SETUP}\""
                             "HUSHBAR_TEST_VERSION=\"${PROJECT_VERSION}\""
                             "HUSHBAR_TEST_MSI=\"Z:${HUSHBAR_MSI64}\"" "HUSHBAR_TEST_MSI_OLDER=\"Z:${HUSHBAR_MSI_OLDER}\"")
endif()

# What Explorer's Properties and the loader read from both programs: the version resource,
# the manifest and the Windows version the PE header asks for. Runs on the build host.
if(HUSHBAR_BUILD_TESTS)
  add_test(NAME shipped_programs
           COMMAND ${CMAKE_SOURCE_DIR}/tests/package/check-shipped.sh "${PROJECT_VERSION}" "${HUSHBAR_MAKER_NAME}"
                   ${HUSHBAR_DIST}/hushbar/hushbar.exe amd64 ${package_win32}/hushbar/hushbar.exe x86)
  # The signing step with a throwaway certificate, on copies of what make package made.
  add_test(NAME code_signing
           COMMAND ${CMAKE_SOURCE_DIR}/tests/package/check-signing.sh ${CMAKE_SOURCE_DIR}/cmake/Sign.cmake
                   ${CMAKE_SOURCE_DIR}/installer/hushbar.nsi ${CMAKE_SOURCE_DIR}/res/hushbar.ico ${PROJECT_VERSION}
                   ${HUSHBAR_DIST}/hushbar ${package_win32}/hushbar)
endif()
