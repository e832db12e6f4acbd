# What `cmake --install` lays out beside the program, and the Debian package of it
# (`cpack -G DEB` in the build folder). Included after src/ and tools/ so that their targets
# exist.
include(GNUInstallDirs)
# Named for the package, not the CMake project.
set(CMAKE_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/mailmoat)

# systemd looks for user units under PREFIX/lib/systemd/user (/usr/lib/systemd/user for the
# package), whatever the libdir of this architecture is.
set(MAILMOAT_SYSTEMD_USER_UNIT_DIR lib/systemd/user)
set(MAILMOAT_RELEASE_DATE "Thu, 10 Dec 2026 12:00:00 +0000")
set(MAILMOAT_MAINTAINER "Mailmoat Pro developers <packages@mailmoat.example.org>")

set(generated ${CMAKE_BINARY_DIR}/share)
configure_file(${PROJECT_SOURCE_DIR}/share/doc/changelog.in ${generated}/doc/changelog @ONLY)

# The changelog is installed compressed, without a time stamp in the gzip header.
find_program(GZIP_PROGRAM gzip REQUIRED)
add_custom_command(OUTPUT ${generated}/doc/changelog.gz
  COMMAND ${GZIP_PROGRAM} -9nfk ${generated}/doc/changelog
  DEPENDS ${generated}/doc/changelog VERBATIM)
add_custom_target(mailmoat_compressed_docs ALL DEPENDS ${generated}/doc/changelog.gz)

# The service and the manual page name the installed program's path, and the prefix is only
# known when installing: cpack installs under /usr whatever the build was configured for.
install(CODE "
  set(prefix \"\${CMAKE_INSTALL_PREFIX}\")
  set(PROJECT_VERSION ${PROJECT_VERSION})
  set(CMAKE_INSTALL_FULL_BINDIR \"\${prefix}/${CMAKE_INSTALL_BINDIR}\")
  set(CMAKE_INSTALL_FULL_DATADIR \"\${prefix}/${CMAKE_INSTALL_DATADIR}\")
  set(MAILMOAT_SYSTEMD_USER_UNIT_FULL_DIR \"\${prefix}/${MAILMOAT_SYSTEMD_USER_UNIT_DIR}\")
  configure_file(${PROJECT_SOURCE_DIR}/share/systemd/mailmoat-check.service.in
    ${generated}/install/mailmoat-check.service @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/share/man/mailmoat.1 ${generated}/install/mailmoat.1 @ONLY)
  execute_process(COMMAND ${GZIP_PROGRAM} -9nf ${generated}/install/mailmoat.1 COMMAND_ERROR_IS_FATAL ANY)
  file(INSTALL ${generated}/install/mailmoat-check.service
    DESTINATION \"\${prefix}/${MAILMOAT_SYSTEMD_USER_UNIT_DIR}\")
  file(INSTALL ${generated}/install/mailmoat.1.gz DESTINATION \"\${prefix}/${CMAKE_INSTALL_MANDIR}/man1\")
")
install(FILES ${PROJECT_SOURCE_DIR}/share/doc/copyright ${generated}/doc/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/share/systemd/mailmoat-check.timer DESTINATION ${MAILMOAT_SYSTEMD_USER_UNIT_DIR})

# The launcher, the metadata and the icon belong to the windows; the headless build has none.
if(MAILMOAT_BUILD_GUI)
  configure_file(${PROJECT_SOURCE_DIR}/share/metainfo/org.example.mailmoat.metainfo.xml.in
    ${generated}/metainfo/org.example.mailmoat.metainfo.xml @ONLY)
  install(FILES ${generated}/metainfo/org.example.mailmoat.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${PROJECT_SOURCE_DIR}/share/applications/mailmoat.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  set(svg ${PROJECT_SOURCE_DIR}/resources/icons/mailmoat.svg)
  install(FILES ${svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  set(render_args)
  set(pngs)
  foreach(size 16 22 24 32 48 64 128 256)
    set(png ${generated}/icons/hicolor/${size}x${size}/apps/mailmoat.png)
    file(MAKE_DIRECTORY ${generated}/icons/hicolor/${size}x${size}/apps)
    list(APPEND render_args ${size} ${png})
    list(APPEND pngs ${png})
  endforeach()
  add_custom_command(OUTPUT ${pngs}
    COMMAND mailmoat_render_icon ${svg} ${render_args}
    DEPENDS mailmoat_render_icon ${svg} VERBATIM)
  add_custom_target(mailmoat_icon_png ALL DEPENDS ${pngs})
  install(DIRECTORY ${generated}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()

set(CPACK_PACKAGE_NAME mailmoat)
# All four parts of the version, which CPack would cut to three.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Mailmoat Pro developers")
set(CPACK_PACKAGE_CONTACT ${MAILMOAT_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "spam filter that cleans POP3 mailboxes before download")
set(CPACK_PACKAGE_HOMEPAGE_URL ${MAILMOAT_URL_PRODUCT})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${MAILMOAT_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Mailmoat Pro reads the headers of the messages waiting in POP3 mailboxes,
tests them against filter rules, address lists and DNS blacklists, and
deletes on the server what the filter rejects, so that the mail program
never downloads it. It runs in the tray, or unattended from the systemd
user timer mailmoat-check.timer (off until the user enables it).")
include(CPack)
