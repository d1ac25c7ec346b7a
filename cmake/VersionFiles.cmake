# Files generated from HUSHBAR_VERSION (cmake/Version.cmake) for this build tree's
# architecture, in ${HUSHBAR_GENERATED}: the header the resource script reads, the manifest
# and the shipped descriptor.
set(HUSHBAR_GENERATED "${CMAKE_BINARY_DIR}/generated")

# The update descriptor's "version" is one decimal number compared as such (2.10 < 2.2),
# so it carries major.minor only; a patch release is not a new program to Update.
set(HUSHBAR_DESCRIPTOR_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
set(HUSHBAR_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(HUSHBAR_ARCH amd64)
  set(HUSHBAR_ARCH_DIR win64)
else()
  set(HUSHBAR_ARCH x86)
  set(HUSHBAR_ARCH_DIR win32)
endif()

configure_file(${CMAKE_SOURCE_DIR}/res/Version.h.in ${HUSHBAR_GENERATED}/Version.h @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/res/hushbar.manifest ${HUSHBAR_GENERATED}/hushbar.manifest @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/res/latest.xml ${HUSHBAR_GENERATED}/latest.xml @ONLY)

# The PE header states the oldest Windows the code runs on (GetTickCount64 and the
# _WIN32_WINNT it is compiled for: Windows 7), not the linker's default of 4.0/5.2.
add_link_options(-Wl,--major-os-version,6,--minor-os-version,1
                 -Wl,--major-subsystem-version,6,--minor-subsystem-version,1)

# The maker's name, for what is shipped beside the program (the installer's entries),
# read from the one header that states it.
file(STRINGS ${CMAKE_SOURCE_DIR}/res/ProductInfo.h maker_line REGEX "^#define HUSHBAR_MAKER_NAME ")
string(REGEX REPLACE "^#define HUSHBAR_MAKER_NAME \"([^\"]*)\".*" "\\1" HUSHBAR_MAKER_NAME "${maker_line}")
file(STRINGS ${CMAKE_SOURCE_DIR}/res/ProductInfo.h title_line REGEX "^#define HUSHBAR_MAIN_TITLE ")
string(REGEX REPLACE "^#define HUSHBAR_MAIN_TITLE \"([^\"]*)\".*" "\\1" HUSHBAR_MAIN_TITLE "${title_line}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/ProductInfo.h)
