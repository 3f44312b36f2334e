# CPack packs what the install() rules install, whatever project file declares them:
#   Linux:   cpack -G DEB  ->  kestrine_<version>_<arch>.deb
#   Windows: cpack -G ZIP  ->  Kestrine-<version>-win32.zip (the installer: packaging/windows)
set(CPACK_PACKAGE_NAME kestrine)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Kestrine developers")
set(CPACK_PACKAGE_CONTACT "Kestrine developers <kestrine@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://kestrine.example.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "S.M.A.R.T. data and condition of ATA, SATA and NVMe disks")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Kestrine reads the S.M.A.R.T. data of ATA and SATA disks, also behind USB\n"
  "enclosures that pass ATA commands on, and the health data of NVMe drives,\n"
  "and shows it in one window: the drive's\n"
  "identity, its attributes with their thresholds, its self-test log and a\n"
  "summary. The drive's condition (OK, WARNING, CRITICAL) shows in a coloured\n"
  "label and in the hint of a notification-area icon; the window starts the\n"
  "drive's short and extended self-tests, re-reads the drive every ten minutes\n"
  "and saves any view as an HTML report.\n"
  "\n"
  "The menu entry starts the window as root through pkexec. kestrine-demo shows\n"
  "the window over simulated drives without rights; kestrine-cli shows the same\n"
  "views in a terminal, as JSON and in snapshot files.")
set(CPACK_SOURCE_GENERATOR "")

if(WIN32)
  # The programs are linked stripped already: the .zip holds them byte for byte as built.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "Kestrine-${PROJECT_VERSION}-win32")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION admin)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The libraries from the binaries (dpkg-shlibdeps); pkexec for the menu entry.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS pkexec)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()
include(CPack)
