# What `cmake --install` lays out beside the program, and the Debian package of it
# (`cpack -G DEB` in the build folder). Included after src/ and tools/ so that their targets
# exist.
include(GNUInstallDirs)

# systemd looks for user units under PREFIX/lib/systemd/user (/usr/lib/systemd/user for the
# package), whatever the libdir of this architecture is.
set(MAILMOAT_SYSTEMD_USER_UNIT_DIR lib/systemd/user)
set(MAILMOAT_SYSTEMD_USER_UNIT_FULL_DIR ${CMAKE_INSTALL_PREFIX}/${MAILMOAT_SYSTEMD_USER_UNIT_DIR})
set(MAILMOAT_RELEASE_DATE "Thu, 10 Dec 2026 12:00:00 +0000")
set(MAILMOAT_MAINTAINER "Mailmoat Pro developers <packages@mailmoat.example.org>")

set(generated ${CMAKE_BINARY_DIR}/share)
configure_file(${PROJECT_SOURCE_DIR}/share/systemd/mailmoat-check.service.in
  ${generated}/systemd/mailmoat-check.service @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/share/man/mailmoat.1 ${generated}/man/mailmoat.1 @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/share/doc/changelog.in ${generated}/doc/changelog @ONLY)

# Man pages and changelogs are installed compressed, without a time stamp in the gzip header.
find_program(GZIP_PROGRAM gzip REQUIRED)
add_custom_command(OUTPUT ${generated}/man/mailmoat.1.gz
  COMMAND ${GZIP_PROGRAM} -9nfk ${generated}/man/mailmoat.1
  DEPENDS ${generated}/man/mailmoat.1 VERBATIM)
add_custom_command(OUTPUT ${generated}/doc/changelog.gz
  COMMAND ${GZIP_PROGRAM} -9nfk ${generated}/doc/changelog
  DEPENDS ${generated}/doc/changelog VERBATIM)
add_custom_target(mailmoat_compressed_docs ALL
  DEPENDS ${generated}/man/mailmoat.1.gz ${generated}/doc/changelog.gz)

install(FILES ${generated}/man/mailmoat.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/share/doc/copyright ${generated}/doc/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${generated}/systemd/mailmoat-check.service ${PROJECT_SOURCE_DIR}/share/systemd/mailmoat-check.timer
  DESTINATION ${MAILMOAT_SYSTEMD_USER_UNIT_DIR})

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
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}
Mailmoat Pro reads the headers of the messages waiting in POP3 mailboxes,
tests them against filter rules, address lists and DNS blacklists, and
deletes on the server what the filter rejects, so that the mail program
never downloads it. It runs in the tray, or unattended from the systemd
user timer mailmoat-check.timer (off until the user enables it).")
include(CPack)
