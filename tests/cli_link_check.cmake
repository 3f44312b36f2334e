# Reads kestrine-cli's link line in the build's build.ninja and fails when it names a window,
# toolkit or Qt library: the command line reads drives through the session and the views alone.
# cmake -DBUILD_FILE=<build.ninja> -P cli_link_check.cmake
file(READ "${BUILD_FILE}" ninja)
string(REGEX MATCH "\nbuild kestrine-cli(\\.exe)?:[^\n]*\n([ ][^\n]*\n)*" link "${ninja}")
if(link STREQUAL "")
  message(FATAL_ERROR "no link statement of kestrine-cli in ${BUILD_FILE}")
endif()
if(NOT link MATCHES "libkestrine_session")
  message(FATAL_ERROR "kestrine-cli's link line does not name the session library:\n${link}")
endif()
foreach(library kestrine_window kestrine_qt kestrine_win32 kestrine_ui Qt6 libQt)
  if(link MATCHES "${library}")
    message(FATAL_ERROR "kestrine-cli links ${library}:\n${link}")
  endif()
endforeach()
