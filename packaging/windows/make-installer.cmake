# Builds KestrineSetup-<version>.exe from a staging folder that `cmake --install` filled:
#   cmake -DSTAGE=dir -DNSI=kestrine.nsi -DMAKENSIS=makensis -DVERSION=x.y -DVERSION_QUAD=x.y.z.w
#         -DICON=kestrine.ico -DOUTPUT=KestrineSetup-x.y.exe -P make-installer.cmake
# The installer installs every staged file and its uninstaller removes exactly those, so what an
# install() rule adds for Windows lands in the installer without more work.
foreach(var STAGE NSI MAKENSIS VERSION VERSION_QUAD ICON OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "make-installer.cmake needs -D${var}=...")
  endif()
endforeach()

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${STAGE}" "${STAGE}/*")
list(SORT files)
if(NOT files)
  message(FATAL_ERROR "nothing staged in ${STAGE}")
endif()

get_filename_component(output_dir "${STAGE}" DIRECTORY)
set(install_nsh "${output_dir}/installer-files.nsh")
set(uninstall_nsh "${output_dir}/uninstaller-files.nsh")
set(install_lines "")
set(uninstall_lines "")
set(folders "")
set(current_folder "-")
foreach(file IN LISTS files)
  get_filename_component(folder "${file}" DIRECTORY)
  string(REPLACE "/" "\\" windows_file "${file}")
  string(REPLACE "/" "\\" windows_folder "${folder}")
  if(NOT folder STREQUAL current_folder)
    if(folder STREQUAL "")
      string(APPEND install_lines "SetOutPath \"$INSTDIR\"\n")
    else()
      string(APPEND install_lines "SetOutPath \"$INSTDIR\\${windows_folder}\"\n")
      list(APPEND folders "${windows_folder}")
    endif()
    set(current_folder "${folder}")
  endif()
  string(APPEND install_lines "File \"${STAGE}/${file}\"\n")
  string(APPEND uninstall_lines "Delete /REBOOTOK \"$INSTDIR\\${windows_file}\"\n")
endforeach()
string(APPEND install_lines "SetOutPath \"$INSTDIR\"\n")
# Folders deepest first, so that each is empty when its turn comes.
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING)
foreach(folder IN LISTS folders)
  string(APPEND uninstall_lines "RMDir /REBOOTOK \"$INSTDIR\\${folder}\"\n")
endforeach()
file(WRITE "${install_nsh}" "${install_lines}")
file(WRITE "${uninstall_nsh}" "${uninstall_lines}")

execute_process(
  COMMAND "${MAKENSIS}" -V2 -NOCD "-DVERSION=${VERSION}" "-DVERSION_QUAD=${VERSION_QUAD}"
          "-DOUTFILE=${OUTPUT}" "-DICON=${ICON}" "-DFILES_NSH=${install_nsh}"
          "-DUNFILES_NSH=${uninstall_nsh}" "${NSI}"
  COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "Wrote ${OUTPUT}")
