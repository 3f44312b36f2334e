# Cross-compiles Kestrine for 32-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-i686): the
# request blocks' 32-bit layout is then the program's own. Programs link statically: one .exe,
# no DLL beside it. Tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KESTRINE_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${KESTRINE_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTRINE_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KESTRINE_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KESTRINE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
find_program(KESTRINE_WINE wine)
if(KESTRINE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KESTRINE_WINE})
endif()
