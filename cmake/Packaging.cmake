# SPDX-License-Identifier: GPL-3.0-or-later
# Installation on a Linux desktop and the Debian package.
include(GNUInstallDirs)

# The package is made from the programs alone; cpack must not build the tests first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

foreach(program vorn vorn-demo vornctl)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

install(FILES packaging/vorn.desktop packaging/vorn-demo.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/vorn.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
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

set(vorn_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/vorn)
install(FILES packaging/copyright DESTINATION ${vorn_doc_dir})
install(FILES packaging/vorn.lintian-overrides RENAME vorn
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides)

# Compressed without a time stamp, so that the package is reproducible.
function(vorn_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND gzip -9nc ${source} > ${output}
    DEPENDS ${source} VERBATIM)
endfunction()

set(vorn_generated_docs)
vorn_gzip(${CMAKE_SOURCE_DIR}/packaging/changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
list(APPEND vorn_generated_docs ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${vorn_doc_dir})

# Manual pages are written in scdoc and turned into roff by the build.
find_program(VORN_SCDOC scdoc)
if(VORN_SCDOC)
  foreach(page vorn vorn-demo vornctl)
    set(scd ${CMAKE_SOURCE_DIR}/packaging/man/${page}.1.scd)
    set(roff ${CMAKE_BINARY_DIR}/packaging/man/${page}.1)
    add_custom_command(OUTPUT ${roff}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging/man
      COMMAND ${VORN_SCDOC} < ${scd} > ${roff}
      DEPENDS ${scd} VERBATIM)
    vorn_gzip(${roff} ${roff}.gz)
    list(APPEND vorn_generated_docs ${roff} ${roff}.gz)
    install(FILES ${roff}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
else()
  message(WARNING "scdoc not found: the manual pages are not built")
endif()
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
add_custom_target(vorn_docs ALL DEPENDS ${vorn_generated_docs})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "VORN project <support@vorn.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "communication program of the VORN reinforcement tension meter")
# The synopsis comes from the summary; this is the extended description alone.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "The VORN (ВОРН-1.0) is a portable instrument that measures the
tension force in steel reinforcement bars and strands. Plug it in over
USB and this program reads every result stored in it into a project
file, skipping results the project already holds. Comment on each
result, show the force in kgf or N or the stress in kgf/cm2 or MPa,
print the report of all results, export them as CSV for a spreadsheet
and take a picture of the instrument's screen. The windows are in
Russian.
.
The package holds the program (vorn), the same program with a simulated
instrument for trying it without the device (vorn-demo), the
command-line tool vornctl for scripts, and a udev rule that gives the
logged-in user access to the instrument without root.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vorn.example/")
# Libraries that the programs link come from the binaries; the rest is loaded at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "firebird3.0-server-core, fonts-liberation2, qt6-translations-l10n")
# Only the rule needs udev; a container without systemd installs the programs all the same.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev")
# CPack strips the programs and moves their symbols into vorn-dbgsym (an unstripped install
# is what it extracts them from).
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
