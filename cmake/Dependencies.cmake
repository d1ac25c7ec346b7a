# Third-party code: installed from Debian's packages or unpacked from its source packages
# by scripts/install-deps.sh, and compiled here for the target. Nothing of it is committed.
set(HUSHBAR_DEPS_DIR "${CMAKE_SOURCE_DIR}/build/deps-src" CACHE PATH "Unpacked zlib and tinyxml sources")

# zlib: the static library of libz-mingw-w64-dev, so the program needs no zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)
find_package(ZLIB REQUIRED)

# minizip: zlib's contrib unzip, compiled as C.
set(minizip_dir "${HUSHBAR_DEPS_DIR}/zlib/contrib/minizip")
if(NOT EXISTS "${minizip_dir}/unzip.c")
  message(FATAL_ERROR "minizip sources missing in ${minizip_dir}: run scripts/install-deps.sh")
endif()
add_library(minizip STATIC ${minizip_dir}/unzip.c ${minizip_dir}/ioapi.c ${minizip_dir}/iowin32.c)
target_include_directories(minizip SYSTEM PUBLIC ${minizip_dir})
target_compile_definitions(minizip PRIVATE NOCRYPT NOUNCRYPT)
target_compile_options(minizip PRIVATE -w)
target_link_libraries(minizip PUBLIC ZLIB::ZLIB)

# TinyXML 2.6: its four .cpp files.
set(tinyxml_dir "${HUSHBAR_DEPS_DIR}/tinyxml")
add_library(tinyxml STATIC ${tinyxml_dir}/tinyxml.cpp ${tinyxml_dir}/tinystr.cpp
            ${tinyxml_dir}/tinyxmlerror.cpp ${tinyxml_dir}/tinyxmlparser.cpp)
target_include_directories(tinyxml SYSTEM PUBLIC ${tinyxml_dir})
target_compile_options(tinyxml PRIVATE -w)

# Boost.Tokenizer is header-only. /usr/include would bring glibc's headers into the
# Windows build, so the include path is a folder that holds only a link to boost/.
set(boost_only "${CMAKE_BINARY_DIR}/boost-include")
file(MAKE_DIRECTORY ${boost_only})
if(NOT EXISTS "${boost_only}/boost")
  file(CREATE_LINK /usr/include/boost "${boost_only}/boost" SYMBOLIC)
endif()
add_library(boost_headers INTERFACE)
target_include_directories(boost_headers SYSTEM INTERFACE ${boost_only})
