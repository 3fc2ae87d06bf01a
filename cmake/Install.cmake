# Where an installed Etikor puts its files: the programs, the system integration (service
# units, D-Bus policy, system user), the desktop integration and the documentation. The paths
# follow the FHS below CMAKE_INSTALL_PREFIX; the Debian package installs below /usr.
#
# Included from the top CMakeLists.txt after apps/, so that the program targets exist here.
#
# The unit files start /usr/bin/etikord and /usr/bin/etikor-manager, and the D-Bus daemon and
# systemd read their policies and units only below /usr and /etc: the system integration
# works with the prefix /usr (scripts/package), another prefix is for trying the programs.
include(GNUInstallDirs)

set(_etikor_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(_etikor_generated ${PROJECT_BINARY_DIR}/packaging)
# Debian keeps a package's documentation in a folder named after the package.
set(ETIKOR_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/etikor)

# --- Programs -------------------------------------------------------------------------------
# The desktop program exists only with ETIKOR_BUILD_GUI; the manager is looked up the same
# way, so that the rules hold for any set of programs apps/ builds. Every other project
# target is a static library and is not installed.
set(ETIKOR_INSTALLED_PROGRAMS etikord)
foreach(program etikor etikor-manager)
  if(TARGET ${program})
    list(APPEND ETIKOR_INSTALLED_PROGRAMS ${program})
  endif()
endforeach()
install(TARGETS ${ETIKOR_INSTALLED_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# --- System integration ---------------------------------------------------------------------
# Units below the prefix's lib/systemd/system, not CMAKE_INSTALL_LIBDIR: that one is the
# multiarch folder on Debian, which systemd never reads.
install(FILES ${_etikor_packaging}/etikord@.service
        DESTINATION lib/systemd/system)
if(TARGET etikor-manager)
  install(FILES ${_etikor_packaging}/etikor-manager.service
          DESTINATION lib/systemd/system)
  install(FILES ${_etikor_packaging}/dbus/projDienstwart.clsServerConnect.conf
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/dbus-1/system.d)
endif()
# The user and group both units run as; systemd-sysusers reads the file by this name.
install(FILES ${_etikor_packaging}/etikor.sysusers
        DESTINATION lib/sysusers.d RENAME etikor.conf)

# --- Desktop integration --------------------------------------------------------------------
if(TARGET etikor)
  install(FILES ${_etikor_packaging}/etikor.desktop
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
  foreach(size 16 32 48 64)
    install(FILES ${PROJECT_SOURCE_DIR}/src/ui/icons/etikor-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps
            RENAME etikor.png)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/src/ui/icons/etikor.svg
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
endif()
# The .dcnf file type names configuration files for the service too, so it is installed
# without the desktop program.
install(FILES ${_etikor_packaging}/etikor-dcnf.xml
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/mime/packages)

# --- Compressed documentation ---------------------------------------------------------------
# Man pages and the changelog are installed gzip-compressed, as Debian wants them. gzip -n
# leaves the source's name and time stamp out of the archive, so that two builds of the same
# sources give the same package.
find_program(ETIKOR_GZIP gzip REQUIRED)
set(ETIKOR_COMPRESSED_FILES)
# etikor_gzip(<source> <name in the build folder>): <name>.gz in the build's packaging folder.
function(etikor_gzip source name)
  set(copy ${_etikor_generated}/${name})
  add_custom_command(OUTPUT ${copy}.gz
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${_etikor_generated}
                     COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
                     COMMAND ${ETIKOR_GZIP} -9nf ${copy}
                     DEPENDS ${source}
                     COMMENT "Compressing ${name}"
                     VERBATIM)
  set(ETIKOR_COMPRESSED_FILES ${ETIKOR_COMPRESSED_FILES} ${copy}.gz PARENT_SCOPE)
endfunction()

set(_etikor_manpages etikord.8)
if(TARGET etikor)
  list(APPEND _etikor_manpages etikor.1)
endif()
if(TARGET etikor-manager)
  list(APPEND _etikor_manpages etikor-manager.1)
endif()
foreach(page ${_etikor_manpages})
  etikor_gzip(${_etikor_packaging}/man/${page} ${page})
  string(REGEX REPLACE ".*\\." "" section ${page})
  install(FILES ${_etikor_generated}/${page}.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endforeach()

# A native Debian package carries its own changelog as changelog.gz.
etikor_gzip(${_etikor_packaging}/debian-changelog changelog)
add_custom_target(etikor_compressed_docs ALL DEPENDS ${ETIKOR_COMPRESSED_FILES})

install(FILES ${_etikor_generated}/changelog.gz
              ${_etikor_packaging}/copyright
              ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${ETIKOR_DOCDIR})
# Only for lintian's findings that cannot be fixed in the package; each says why.
install(FILES ${_etikor_packaging}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME etikor)

# Everything the installation takes from the build: building this target is enough before
# `cmake --install`, without the test suite. (cpack builds the whole tree first by itself.)
add_custom_target(etikor_installed DEPENDS ${ETIKOR_INSTALLED_PROGRAMS} etikor_compressed_docs)
