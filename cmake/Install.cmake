# What `cmake --install` puts under the prefix: the three shared libraries with their SONAME
# links, the public headers with the generated version header, the qxscsi tool, its manual page,
# the CMake package (qxscsi::qxscsi, qxscsi::OZScsi, qxscsi::JWError), qxscsi.pc, and the Python
# module with its type stubs. Nothing of the tests, benchmarks or fuzz targets is installed.
include(CMakePackageConfigHelpers)

set(QXSCSI_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/qxscsi)

# Installed binaries find their own libraries next to them (libraries) or in the library folder
# of the same prefix (the tool), wherever the prefix is; the build tree is never named. Installed
# into /usr, as a system package is, they need no search path and carry none.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(qxscsi_rpath_default OFF)
else()
  set(qxscsi_rpath_default ON)
endif()
option(QXSCSI_INSTALL_RPATH "Installed binaries find the libraries of their own prefix"
       ${qxscsi_rpath_default})
if(QXSCSI_INSTALL_RPATH)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    set(qxscsi_tool_rpath "${CMAKE_INSTALL_LIBDIR}")
  else()
    set(qxscsi_tool_rpath "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
  endif()
  set_target_properties(qxscsi OZScsi JWError PROPERTIES INSTALL_RPATH "$ORIGIN")
  set_target_properties(qxscsi_tool PROPERTIES INSTALL_RPATH "${qxscsi_tool_rpath}")
  if(TARGET qxscsi_python)
    # lib/python3/dist-packages lies three folders below the prefix.
    if(NOT IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
      set(qxscsi_tool_rpath "$ORIGIN/../../../${CMAKE_INSTALL_LIBDIR}")
    endif()
    set_target_properties(qxscsi_python PROPERTIES INSTALL_RPATH "${qxscsi_tool_rpath}")
  endif()
endif()

install(TARGETS qxscsi OZScsi JWError EXPORT qxscsiTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
                NAMELINK_COMPONENT Development
                COMPONENT Runtime)
# The Python module where Debian's python3 looks for modules of its packages.
if(TARGET qxscsi_python)
  install(TARGETS qxscsi_python LIBRARY DESTINATION lib/python3/dist-packages COMPONENT Runtime)
  install(FILES ${PROJECT_SOURCE_DIR}/python/qxscsi.pyi DESTINATION lib/python3/dist-packages
          COMPONENT Runtime)
endif()
install(TARGETS qxscsi_tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)
install(FILES ${PROJECT_BINARY_DIR}/tools/qxscsi/qxscsi.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT Runtime)

install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/qxscsi ${PROJECT_SOURCE_DIR}/include/platform
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT Development
        FILES_MATCHING PATTERN "*.h")
install(FILES ${PROJECT_BINARY_DIR}/generated/qxscsi/version.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qxscsi COMPONENT Development)

# ---- the CMake package: find_package(qxscsi CONFIG) ----
install(EXPORT qxscsiTargets NAMESPACE qxscsi:: DESTINATION ${QXSCSI_CMAKE_DIR}
        COMPONENT Development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/qxscsiConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/qxscsiConfig.cmake
                              INSTALL_DESTINATION ${QXSCSI_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/qxscsiConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/qxscsiConfig.cmake ${PROJECT_BINARY_DIR}/qxscsiConfigVersion.cmake
        DESTINATION ${QXSCSI_CMAKE_DIR} COMPONENT Development)

# ---- pkg-config: qxscsi.pc ----
# The prefix is the one installed to, known only when installing (cmake --install --prefix,
# or the packaging prefix of a .deb), so the file is written in two passes: the build fills in
# everything but the prefix, the installation the prefix. Each installation writes its own copy
# (keyed by where it installs), so that two at once from one build tree do not mix them up.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(QXSCSI_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
  set(qxscsi_pc_destination "${CMAKE_INSTALL_LIBDIR}/pkgconfig")
else()
  set(QXSCSI_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
  set(qxscsi_pc_destination "\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/pkgconfig")
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(QXSCSI_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
else()
  set(QXSCSI_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
set(QXSCSI_PC_PREFIX "@CMAKE_INSTALL_PREFIX@")
configure_file(${PROJECT_SOURCE_DIR}/cmake/qxscsi.pc.in ${PROJECT_BINARY_DIR}/qxscsi.pc.in @ONLY)
install(CODE "
  string(MD5 qxscsi_pc_key \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  set(qxscsi_pc \"${PROJECT_BINARY_DIR}/installed/\${qxscsi_pc_key}/qxscsi.pc\")
  configure_file(\"${PROJECT_BINARY_DIR}/qxscsi.pc.in\" \"\${qxscsi_pc}\" @ONLY)
  file(INSTALL DESTINATION \"${qxscsi_pc_destination}\" TYPE FILE FILES \"\${qxscsi_pc}\")"
        COMPONENT Development)
