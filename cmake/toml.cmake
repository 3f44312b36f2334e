# toml++ for the configuration file (Debian's libtomlplusplus-dev), used header-only
# (TOML_HEADER_ONLY): kestrine-cli is linked statically, and Debian's shared library has no
# static twin. A cross build finds no package for its target, so the headers are copied from the
# build machine into a folder of their own (the machine's whole include directory would mix its C
# library headers into the target's), and pinned there: the version below and the SHA-256 of the
# header files (each file's name and SHA-256, in name order, one line each), so that the Windows
# programs parse with the same parser the tests and the fuzzer ran.
set(KESTRINE_TOML_VERSION "3.3.0")
set(KESTRINE_TOML_SHA256 "d6c78764710a8fa9dedc7e2124213d9fcc33b3f8b646b5060427cbddd3e82929")
find_path(KESTRINE_TOML_INCLUDE toml++/toml.h PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH)
if(NOT KESTRINE_TOML_INCLUDE)
  message(FATAL_ERROR "The configuration file needs toml++ (libtomlplusplus-dev)")
endif()

file(STRINGS "${KESTRINE_TOML_INCLUDE}/toml++/impl/version.h" toml_version_lines
  REGEX "#define TOML_LIB_(MAJOR|MINOR|PATCH) ")
set(toml_version "")
foreach(line ${toml_version_lines})
  string(REGEX REPLACE ".* ([0-9]+)$" "\\1" part "${line}")
  list(APPEND toml_version "${part}")
endforeach()
list(JOIN toml_version "." toml_version)

add_library(kestrine_toml INTERFACE)
target_compile_definitions(kestrine_toml INTERFACE TOML_HEADER_ONLY=1)
if(NOT CMAKE_CROSSCOMPILING)
  if(toml_version VERSION_LESS 3.0)
    message(FATAL_ERROR "toml++ ${toml_version} found; the configuration file needs 3.0 or later")
  endif()
  target_include_directories(kestrine_toml SYSTEM INTERFACE "${KESTRINE_TOML_INCLUDE}")
  return()
endif()

if(NOT toml_version STREQUAL KESTRINE_TOML_VERSION)
  message(FATAL_ERROR "toml++ ${toml_version} found; the Windows build is pinned to "
    "${KESTRINE_TOML_VERSION}")
endif()
file(GLOB_RECURSE toml_headers RELATIVE "${KESTRINE_TOML_INCLUDE}"
  "${KESTRINE_TOML_INCLUDE}/toml++/*")
list(SORT toml_headers)
set(toml_sums "")
foreach(header ${toml_headers})
  file(SHA256 "${KESTRINE_TOML_INCLUDE}/${header}" sum)
  string(APPEND toml_sums "${header} ${sum}\n")
endforeach()
string(SHA256 toml_sum "${toml_sums}")
if(NOT toml_sum STREQUAL KESTRINE_TOML_SHA256)
  message(FATAL_ERROR "${KESTRINE_TOML_INCLUDE}/toml++: SHA-256 ${toml_sum}, expected "
    "${KESTRINE_TOML_SHA256}")
endif()
set(toml_copy "${CMAKE_BINARY_DIR}/toml-headers")
file(COPY "${KESTRINE_TOML_INCLUDE}/toml++" DESTINATION "${toml_copy}")
target_include_directories(kestrine_toml SYSTEM INTERFACE "${toml_copy}")
