# Man pages and shell completion of the installed programs.

# The pages are written from the programs' own --help, so they cannot say something else.
set(VEXLO_MAN_DIR ${CMAKE_BINARY_DIR}/share/man/man1)
find_program(HELP2MAN_PROGRAM help2man)
find_program(GZIP_PROGRAM gzip)

set(vexlo_man_pages)
if(CMAKE_CROSSCOMPILING)
  message(STATUS "Cross-compiling: the man pages, which run the programs, are not built")
elseif(NOT HELP2MAN_PROGRAM OR NOT GZIP_PROGRAM)
  message(WARNING "No help2man or no gzip: the man pages are not built")
else()
  function(vexlo_man_page program name commands)
    set(page ${VEXLO_MAN_DIR}/${program}.1.gz)
    set(include ${PROJECT_SOURCE_DIR}/resources/man/${program}.h2m)
    add_custom_command(
      OUTPUT ${page}
      COMMAND
        ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> -DNAME=${program}
        -DDESCRIPTION=${name} -DINCLUDE=${include} -DCOMMANDS=${commands}
        -DWORK_DIR=${CMAKE_BINARY_DIR}/man-pages/${program} -DOUTPUT=${page}
        -DHELP2MAN=${HELP2MAN_PROGRAM} -DGZIP=${GZIP_PROGRAM} -P
        ${PROJECT_SOURCE_DIR}/cmake/GenerateManPage.cmake
      DEPENDS ${program} ${include} ${PROJECT_SOURCE_DIR}/cmake/GenerateManPage.cmake
      COMMENT "Man page ${program}.1"
      VERBATIM)
    set(vexlo_man_pages ${vexlo_man_pages} ${page} PARENT_SCOPE)
  endfunction()

  vexlo_man_page(vexlo "panneau de commande des enregistreurs de données Vexlo" OFF)
  vexlo_man_page(vexlo-cli "lit les sessions Vexlo et pilote l’enregistreur en ligne de commande"
                 ON)
  vexlo_man_page(vexlo-sim "enregistreur Vexlo émulé, pour essayer les programmes sans instrument"
                 OFF)
  install(FILES ${vexlo_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
add_custom_target(vexlo_man_pages ALL DEPENDS ${vexlo_man_pages})

install(FILES ${PROJECT_SOURCE_DIR}/resources/bash-completion/vexlo-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
