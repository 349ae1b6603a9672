# What `cmake --install` lays out and the Debian package carries. An installed program finds its
# modules, sound and empty book template relative to its own folder, and keeps the user's book in
# the XDG data folder.
include(GNUInstallDirs)
set(PARCELBOOK_APP_ID cn.lanzhou.parcelbook)
# The day the version in project() was released; change both together.
set(PARCELBOOK_RELEASE_DATE 2026-12-08)

install(TARGETS parcelbook RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET parcelbook-cli)
  install(TARGETS parcelbook-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(TARGETS parcelbook-smtp parcelbook-sound parcelbook-web LIBRARY DESTINATION ${PARCELBOOK_MODULES_INSTALL_DIR})
# The demo service beside the modules: "试用演示服务" starts it from there, so an installed program can
# be tried before the user has a tracking account.
install(TARGETS parcelbook-demo-service RUNTIME DESTINATION ${PARCELBOOK_MODULES_INSTALL_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/resources/ts.mp3 DESTINATION ${CMAKE_INSTALL_DATADIR}/parcelbook)

# The delivered book is always a fresh one: build/bin/db/parcelbook.mdb is a developer's live book.
set(PARCELBOOK_TEMPLATE ${CMAKE_BINARY_DIR}/template/parcelbook.mdb)
add_custom_command(OUTPUT ${PARCELBOOK_TEMPLATE}
  COMMAND parcelbook-mkdb --force --couriers ${PARCELBOOK_COURIERS_TSV} --out ${PARCELBOOK_TEMPLATE}
  DEPENDS parcelbook-mkdb ${PARCELBOOK_COURIERS_TSV}
  COMMENT "Building the empty book template ${PARCELBOOK_TEMPLATE}"
  VERBATIM)
add_custom_target(parcelbook-template ALL DEPENDS ${PARCELBOOK_TEMPLATE})
install(FILES ${PARCELBOOK_TEMPLATE} DESTINATION ${CMAKE_INSTALL_DATADIR}/parcelbook/db)

set(PARCELBOOK_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
install(FILES ${PARCELBOOK_PACKAGING}/${PARCELBOOK_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${PARCELBOOK_PACKAGING}/${PARCELBOOK_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/packaging/${PARCELBOOK_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/${PARCELBOOK_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 48x48 128x128 256x256)
  install(FILES ${PARCELBOOK_PACKAGING}/icons/${size}/${PARCELBOOK_APP_ID}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps)
endforeach()
install(FILES ${PARCELBOOK_PACKAGING}/icons/${PARCELBOOK_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The documents every Debian package carries, and the manual pages: gzip -n, so the same sources
# give the same bytes. The newest changelog entry names this version: bump it with project().
find_program(GZIP gzip REQUIRED)
set(PARCELBOOK_PACKAGE_RELEASE 1)
file(STRINGS ${PARCELBOOK_PACKAGING}/debian/changelog PARCELBOOK_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT PARCELBOOK_CHANGELOG_TOP MATCHES "^parcelbook \\(${PROJECT_VERSION}-${PARCELBOOK_PACKAGE_RELEASE}\\) ")
  message(FATAL_ERROR "packaging/debian/changelog starts with \"${PARCELBOOK_CHANGELOG_TOP}\", "
                      "not an entry for ${PROJECT_VERSION}-${PARCELBOOK_PACKAGE_RELEASE}")
endif()
set(PARCELBOOK_GZIPPED)
foreach(document debian/changelog:changelog.Debian man/parcelbook.1:parcelbook.1
                 man/parcelbook-cli.1:parcelbook-cli.1)
  string(REPLACE ":" ";" document ${document})
  list(GET document 0 source)
  list(GET document 1 name)
  set(plain ${CMAKE_BINARY_DIR}/packaging/gzipped/${name})
  add_custom_command(OUTPUT ${plain}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PARCELBOOK_PACKAGING}/${source} ${plain}
    COMMAND ${GZIP} -9nf ${plain}
    DEPENDS ${PARCELBOOK_PACKAGING}/${source}
    VERBATIM)
  list(APPEND PARCELBOOK_GZIPPED ${plain}.gz)
endforeach()
add_custom_target(parcelbook-documents ALL DEPENDS ${PARCELBOOK_GZIPPED})
set(PARCELBOOK_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/parcelbook)
install(FILES ${PARCELBOOK_PACKAGING}/debian/copyright ${CMAKE_BINARY_DIR}/packaging/gzipped/changelog.Debian.gz
        DESTINATION ${PARCELBOOK_DOC_DIR})
install(FILES ${CMAKE_BINARY_DIR}/packaging/gzipped/parcelbook.1.gz
              ${CMAKE_BINARY_DIR}/packaging/gzipped/parcelbook-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The background watch as systemd user units, left disabled. The service names the installed
# parcelbook-cli by the prefix in force at install time (`--prefix ~/.local` included), so it is
# written while installing rather than while configuring.
install(CODE "
  set(PARCELBOOK_CLI_PATH \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/parcelbook-cli\")
  configure_file(\"${PARCELBOOK_PACKAGING}/parcelbook-watch.service.in\"
                 \"${CMAKE_BINARY_DIR}/packaging/install/parcelbook-watch.service\" @ONLY)
  file(INSTALL \"${CMAKE_BINARY_DIR}/packaging/install/parcelbook-watch.service\"
               \"${PARCELBOOK_PACKAGING}/parcelbook-watch.timer\"
       DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/user\")
")

# `cpack -G DEB` (scripts/package) packs what the build made; neither it nor `cmake --install`
# builds, so packaging a test tree never starts the fuzz build.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME parcelbook)
set(CPACK_PACKAGE_VENDOR "岚舟")
set(CPACK_PACKAGE_CONTACT "岚舟包裹通 <parcelbook@lanzhou.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "岚舟包裹通: parcel tracking assistant / 快递查询助手")
set(CPACK_PACKAGE_DESCRIPTION [[
Keep a book of expected parcels (tracking number, courier company, goods),
query their progress, see it newest first with transit time and status, and
be told by sound, desktop notification and e-mail when something new happens.
记下待收的包裹，查询快递进度，按时间从新到旧列出进度，有新进度时用提示音、桌面通知和邮件提醒。]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${PARCELBOOK_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://lanzhou.example/)
# Library dependencies come from dpkg-shlibdeps; these are the files the program opens by name.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsqlcipher0, fonts-wqy-microhei | fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-plugins-good")
include(CPack)
