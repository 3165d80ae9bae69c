# Installation on a Linux desktop and the Debian package.
include(GNUInstallDirs)

foreach(program vorn vorn-demo vornctl)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(FILES packaging/vorn.desktop packaging/vorn-demo.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
if(EXISTS ${VORN_PROGRAM_ICON})
  install(FILES ${VORN_PROGRAM_ICON} RENAME vorn.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
endif()
foreach(size 16 24 32 64 128 256)
  install(FILES ${CMAKE_SOURCE_DIR}/app/icons/program/vorn-${size}.png RENAME vorn.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
# udev reads rules from /lib/udev/rules.d whatever the install prefix.
install(FILES packaging/70-vorn.rules DESTINATION /lib/udev/rules.d)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "VORN project <support@vorn.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Communication program of the VORN reinforcement tension meter")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libqt6core6, libqt6gui6, libqt6widgets6, libqt6printsupport6, libusb-1.0-0, libfbclient2, firebird3.0-server-core, fonts-liberation2, qt6-translations-l10n, udev")
include(CPack)
