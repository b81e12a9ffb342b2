# What is installed beside the data of Desktop.cmake and ManPages.cmake, and the Debian
# package made of it (./vexlo.sh package runs cpack -G DEB in a release tree).
install(TARGETS vexlo vexlo-cli vexlo-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Debian wants the copyright as it is and the changelog compressed, reproducibly.
set(VEXLO_PACKAGE_DOC ${CMAKE_INSTALL_DATADIR}/doc/vexlo)
set(VEXLO_CHANGELOG_GZ ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${VEXLO_CHANGELOG_GZ}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND sh -c "gzip -9n < \"$1\" > \"$2\"" sh ${PROJECT_SOURCE_DIR}/packaging/changelog
            ${VEXLO_CHANGELOG_GZ}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
    VERBATIM)
add_custom_target(vexlo_changelog ALL DEPENDS ${VEXLO_CHANGELOG_GZ})
# The JSON shapes of vexlo-cli, which its help points to.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${VEXLO_CHANGELOG_GZ}
              ${PROJECT_SOURCE_DIR}/cli/JSON.md
        DESTINATION ${VEXLO_PACKAGE_DOC})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexlo)
set(CPACK_PACKAGE_VENDOR Marvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Marvane <support@vexlo.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel for Vexlo USB data loggers")
# The extended description; cpack indents it and marks the empty line as Debian wants.
set(CPACK_PACKAGE_DESCRIPTION "Vexlo reads, configures and downloads the single-channel Vexlo USB data
loggers (thermocouple, RTD, voltage, current and event models), which show up
as a small removable drive. Recordings become session files (.vx) that are
shown as trend graphs and tables with statistics, printed as reports and
exported to spreadsheets (.xlsx) or CSV.

The package holds the desktop program (vexlo, in French or English), vexlo-cli for
scripts, and vexlo-sim, an emulated logger to try everything without
hardware.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.vexlo.example)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# "Associer des fichiers. VX" asks xdg-mime; the mounted emulated drive needs fusermount3.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fuse3")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
