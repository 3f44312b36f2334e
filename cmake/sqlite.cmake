# SQLite for the history: the system's library on Linux (Debian's libsqlite3-dev), and for the
# static Windows build SQLite's public-domain amalgamation, built here. The amalgamation comes
# from the npm package better-sqlite3, which carries it as deps/sqlite3/sqlite3.c, pinned by its
# version and checksum; it is fetched when the build is configured (never when a program runs),
# or taken from KESTRINE_SQLITE_ARCHIVE, the same .tgz already on disk.
set(KESTRINE_SQLITE_PACKAGE "better-sqlite3-12.9.0.tgz")  # SQLite 3.53.0
set(KESTRINE_SQLITE_SHA256 "ad0e29650140c49d0335b1d356596aa8166f12b758f418a98446130e3278f250")
set(KESTRINE_SQLITE_URL "https://registry.npmjs.org/better-sqlite3/-/${KESTRINE_SQLITE_PACKAGE}")
set(KESTRINE_SQLITE_ARCHIVE "" CACHE FILEPATH "${KESTRINE_SQLITE_PACKAGE}, when not to be fetched")

if(NOT WIN32)
  find_package(SQLite3 REQUIRED)  # libsqlite3-dev
  add_library(kestrine_sqlite INTERFACE)
  target_include_directories(kestrine_sqlite INTERFACE ${SQLite3_INCLUDE_DIRS})
  # By name, not by the path of the shared library: the static kestrine-cli (-static) then links
  # libsqlite3.a, the other programs libsqlite3.so.
  target_link_libraries(kestrine_sqlite INTERFACE sqlite3 m)
  return()
endif()

set(archive "${KESTRINE_SQLITE_ARCHIVE}")
if(NOT archive)
  set(archive "${CMAKE_BINARY_DIR}/downloads/${KESTRINE_SQLITE_PACKAGE}")
  if(NOT EXISTS "${archive}")
    file(DOWNLOAD "${KESTRINE_SQLITE_URL}" "${archive}.part" STATUS status TLS_VERIFY ON)
    list(GET status 0 code)
    if(NOT code EQUAL 0)
      file(REMOVE "${archive}.part")
      message(FATAL_ERROR "SQLite's amalgamation could not be fetched from ${KESTRINE_SQLITE_URL}"
        " (${status}); download it and configure with -DKESTRINE_SQLITE_ARCHIVE=FILE")
    endif()
    file(RENAME "${archive}.part" "${archive}")
  endif()
endif()
file(SHA256 "${archive}" actual)
if(NOT actual STREQUAL KESTRINE_SQLITE_SHA256)
  message(FATAL_ERROR "${archive}: SHA-256 ${actual}, expected ${KESTRINE_SQLITE_SHA256}")
endif()
set(source "${CMAKE_BINARY_DIR}/sqlite3")
if(NOT EXISTS "${source}/${KESTRINE_SQLITE_SHA256}")
  file(REMOVE_RECURSE "${source}")
  file(ARCHIVE_EXTRACT INPUT "${archive}" DESTINATION "${source}"
    PATTERNS package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h)
  file(TOUCH "${source}/${KESTRINE_SQLITE_SHA256}")
endif()

enable_language(C)
add_library(kestrine_sqlite STATIC "${source}/package/deps/sqlite3/sqlite3.c")
target_include_directories(kestrine_sqlite SYSTEM PUBLIC "${source}/package/deps/sqlite3")
# One thread per connection is all the programs use. Left out, for the programs' size: extension
# loading, the deprecated interfaces, shared cache and the memory statistics, none of which the
# history uses. The amalgamation alone is built for size, whatever the build type.
target_compile_definitions(kestrine_sqlite PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION
  SQLITE_OMIT_DEPRECATED SQLITE_OMIT_SHARED_CACHE SQLITE_DEFAULT_MEMSTATUS=0
  SQLITE_DEFAULT_FOREIGN_KEYS=0 SQLITE_DQS=0)
target_compile_options(kestrine_sqlite PRIVATE -w -Os)
