# Installs Dirquill as a desktop program and packs it as a .deb:
#   bin/                        dirquill, dirquill-cli (and dirquill-cli-browser), dirquill-demo-site
#   share/dirquill/             the shipped site list, key files and offline guide, found by the
#                               programs as ../share/dirquill beside their own folder
#   share/applications, share/metainfo, share/mime/packages, share/icons/hicolor, share/man/man1
include(GNUInstallDirs)

set(DQ_APP_ID com.orlenco.Dirquill)
set(DQ_HOMEPAGE "https://dirquill.invalid" CACHE STRING "Home page named in the AppStream data; the screenshot is docs/screenshot.png below it")
set(DQ_MAINTAINER "Dirquill developers <dirquill@dirquill.invalid>" CACHE STRING "Maintainer of the Debian package")
set(dist ${PROJECT_SOURCE_DIR}/dist)

foreach(program dirquill dirquill-cli dirquill-cli-browser dirquill-demo-site)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/engines/ DESTINATION ${CMAKE_INSTALL_DATADIR}/dirquill
  PATTERN CMakeLists.txt EXCLUDE PATTERN ".*" EXCLUDE)

install(FILES ${dist}/${DQ_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${dist}/${DQ_APP_ID}.metainfo.xml.in ${CMAKE_BINARY_DIR}/dist/${DQ_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/dist/${DQ_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${dist}/dirquill-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME dirquill.xml)
install(FILES ${dist}/icons/${DQ_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES ${dist}/icons/${size}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME ${DQ_APP_ID}.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/cli.md ${PROJECT_SOURCE_DIR}/docs/key-files.md
  ${PROJECT_SOURCE_DIR}/docs/native-file-format.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/dirquill)

# Manual pages from the built dirquill-cli's own help text, gzipped as Debian installs them.
# (Not in a sanitizer build, whose leak report at exit would fail the step.)
if(TARGET dirquill-cli AND NOT DQ_SANITIZE)
  set(man ${CMAKE_BINARY_DIR}/man)
  add_custom_command(OUTPUT ${man}/dirquill.1 ${man}/dirquill-cli.1 ${man}/dirquill.1.gz ${man}/dirquill-cli.1.gz
    COMMAND sh ${dist}/manpages.sh $<TARGET_FILE:dirquill-cli> ${man} ${PROJECT_VERSION}
    COMMAND gzip -9nkf ${man}/dirquill.1 ${man}/dirquill-cli.1
    DEPENDS dirquill-cli ${dist}/manpages.sh
    COMMENT "Writing the manual pages")
  add_custom_target(dq_manpages ALL DEPENDS ${man}/dirquill.1.gz ${man}/dirquill-cli.1.gz)
  install(FILES ${man}/dirquill.1.gz ${man}/dirquill-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dirquill)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Orlenco)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "build lists of businesses from online directories")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Dirquill searches an online business directory in a browser panel; when a
results page shows, it fetches the pages itself, cuts every listing out with
the site's extraction rules and fills a record table page after page. The
table can be edited, sorted, saved as a native table, comma or tab text,
printed as address labels or sheets, and its listings dialled through a modem,
mapped, visited or mailed.

The package holds the program, the command-line tool dirquill-cli and a demo
directory site, dirquill-demo-site, for trying it without a network.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # dirquill_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DQ_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${DQ_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON) # Depends from dpkg-shlibdeps
# What Qt loads at run time is not seen by dpkg-shlibdeps: the toolbar's themed SVG icons.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6, adwaita-icon-theme")
# A font that stands in for Arial on printed labels and sheets.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_INSTALL_DIRECTORY dirquill)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
