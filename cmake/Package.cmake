# The Debian package, made by CPack (`./run package`, or `cpack` in a build tree):
# qxscsi_<version>_<arch>.deb with everything `cmake --install` puts under /usr. Its Depends
# come from dpkg-shlibdeps, so they name the libiscsi the platform layer was built with.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qxscsi)
set(CPACK_PACKAGE_VENDOR qxscsi)
set(CPACK_PACKAGE_CONTACT "qxscsi developers <qxscsi@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "SCSI-3 persistent reservations and tape drive control for shared SCSI devices")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "libqxscsi lets a storage-management host control SCSI devices shared
between several hosts: persistent reservations (host keys, register,
reserve, pre-empt, clear, release and the forced-reserve takeover) and
tape drives through pass-through (identification, mode and log pages,
TapeAlert, WORM detection, media types), over Linux SG_IO or iSCSI.
The package holds the libraries, their headers, CMake and pkg-config
files, the qxscsi command-line tool and the Python module qxscsi.")
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Python module is built for one minor version of the system's python3.
if(TARGET qxscsi_python)
  math(EXPR qxscsi_python_next "${Python3_VERSION_MINOR} + 1")
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}), python3 (<< ${Python3_VERSION_MAJOR}.${qxscsi_python_next})")
endif()
# A shlibs file, so that packages built against these libraries depend on this one.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# The loader's cache is refreshed by the ldconfig trigger once the package is unpacked.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/deb/triggers)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Installed with DESTDIR under the prefix /usr, so that what is written at install time
# (qxscsi.pc) names /usr and not the staging folder.
set(CPACK_SET_DESTDIR ON)
include(CPack)
