# What `cmake --install` puts in place, and the Debian package made from it
# (scripts/package.sh assembles the release artifacts from these installed trees).
#
# Linux: bin/pathmgr, bin/pathmgr-sim and the documentation in share/doc/pathmgr.
# The installer is not installed there: a program named install in bin would take the
# place of the system's own install.
#
# Windows: one flat folder, the layout of the Windows archive. The 32-bit build installs
# pathmgr.exe, relinfo.dll and the documentation; the 64-bit build install.exe and the
# sample driver package. A 64-bit pathmgr.exe (built for the wine tests) is not installed.
#
# Ninja gives every folder of the build an install target named <folder>/install, which
# on Linux is also the installer's own program, build/installexe/install. So a Linux build
# that makes the installer has no install rules; install from a build configured with
# -DPATHMGR_BUILD_INSTALL=OFF, as scripts/package.sh does.
if(NOT WIN32 AND TARGET install_program AND CMAKE_GENERATOR MATCHES "Ninja")
  message(STATUS "No install rules in a Linux build of the installer: configure with -DPATHMGR_BUILD_INSTALL=OFF to install")
  set(CMAKE_SKIP_INSTALL_RULES ON)
  return()
endif()

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    foreach(target pathmgr relinfo)
      if(TARGET ${target})
        install(TARGETS ${target} RUNTIME DESTINATION .)
      endif()
    endforeach()
    set(pathmgr_docdir .)
  elseif(TARGET install_program)
    install(TARGETS install_program RUNTIME DESTINATION .)
    install(DIRECTORY ${PROJECT_SOURCE_DIR}/installexe/package/ DESTINATION sample-driver-package)
  endif()
else()
  foreach(target pathmgr pathmgr-sim)
    if(TARGET ${target})
      install(TARGETS ${target} RUNTIME DESTINATION bin)
    endif()
  endforeach()
  set(pathmgr_docdir share/doc/pathmgr)
endif()
if(DEFINED pathmgr_docdir)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${pathmgr_docdir})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${pathmgr_docdir}/docs)
endif()

# The Debian package: the Linux tree under /usr, stripped, its shared libraries (libiscsi
# when the build found it) declared as dependencies by dpkg-shlibdeps.
if(NOT WIN32)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME pathmgr)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_CONTACT "pathmgr maintainers <pathmgr@example.org>")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ZYRDSM multipath management tool, on a simulated host")
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "\
pathmgr inspects and tunes the multipath devices, paths, policies, counters,
events and SCSI-3 reservations of the ZYRDSM module. On Linux it works on a
simulated host, a JSON file, which pathmgr-sim makes.")
  set(CPACK_DEBIAN_PACKAGE_SECTION admin)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_STRIP_FILES ON)
  include(CPack)
endif()
