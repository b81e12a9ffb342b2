# Desktop integration: the help pages, the icon, the desktop entry, the mime type of session
# files and the metainfo. Each is laid out under the build tree's share/ as it is installed, so
# the programs run from bin/ find their data the same way in both places.
set(VEXLO_SHARE ${CMAKE_BINARY_DIR}/share)

foreach(page vexlo.html vexlo-en.html)
  configure_file(${PROJECT_SOURCE_DIR}/resources/help/${page} ${VEXLO_DATA_DIR}/help/${page}
                 COPYONLY)
  install(FILES ${VEXLO_DATA_DIR}/help/${page} DESTINATION ${CMAKE_INSTALL_DATADIR}/vexlo/help)
endforeach()

# The one picture of the program, and the bitmaps the desktop wants beside it.
set(VEXLO_ICON_SVG ${PROJECT_SOURCE_DIR}/resources/icons/vexlo.svg)
set(VEXLO_HICOLOR ${VEXLO_SHARE}/icons/hicolor)
configure_file(${VEXLO_ICON_SVG} ${VEXLO_HICOLOR}/scalable/apps/${VEXLO_APP_ID}.svg COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/resources/icons/vexlo-session.svg
               ${VEXLO_HICOLOR}/scalable/mimetypes/application-x-vexlo-session.svg COPYONLY)
find_program(VEXLO_RSVG_CONVERT rsvg-convert REQUIRED)
set(VEXLO_ICON_BITMAPS)
foreach(size 48 256)
  set(bitmap ${VEXLO_HICOLOR}/${size}x${size}/apps/${VEXLO_APP_ID}.png)
  add_custom_command(OUTPUT ${bitmap}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${VEXLO_HICOLOR}/${size}x${size}/apps
      COMMAND ${VEXLO_RSVG_CONVERT} --width ${size} --height ${size} --output ${bitmap}
              ${VEXLO_ICON_SVG}
      DEPENDS ${VEXLO_ICON_SVG}
      COMMENT "Rendering the ${size}x${size} icon"
      VERBATIM)
  list(APPEND VEXLO_ICON_BITMAPS ${bitmap})
endforeach()
add_custom_target(vexlo_icon_bitmaps ALL DEPENDS ${VEXLO_ICON_BITMAPS})
install(DIRECTORY ${VEXLO_HICOLOR} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# The installed entry runs the program found on the path; the one a program run from its build
# folder writes for its user names that program (see XdgFileAssociation).
set(APP_ID ${VEXLO_APP_ID})
set(EXEC vexlo)
set(VEXLO_DESKTOP_ENTRY ${VEXLO_SHARE}/applications/${VEXLO_APP_ID}.desktop)
configure_file(${PROJECT_SOURCE_DIR}/resources/vexlo.desktop.in ${VEXLO_DESKTOP_ENTRY} @ONLY)
install(FILES ${VEXLO_DESKTOP_ENTRY} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

set(VEXLO_MIME_PACKAGE ${VEXLO_SHARE}/mime/packages/${VEXLO_APP_ID}.xml)
configure_file(${PROJECT_SOURCE_DIR}/resources/vexlo.xml.in ${VEXLO_MIME_PACKAGE} COPYONLY)
install(FILES ${VEXLO_MIME_PACKAGE} DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

set(VEXLO_METAINFO ${VEXLO_SHARE}/metainfo/${VEXLO_APP_ID}.metainfo.xml)
configure_file(${PROJECT_SOURCE_DIR}/resources/vexlo.metainfo.xml.in ${VEXLO_METAINFO} @ONLY)
install(FILES ${VEXLO_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
