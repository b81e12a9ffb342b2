# One man page, gzip-compressed, from a program's own --help and --version (cmake -P).
#   PROGRAM      the built program
#   NAME         its installed name
#   DESCRIPTION  the one line of the NAME section
#   INCLUDE      help2man include file with the sections --help lacks
#   COMMANDS     ON: add each command's own --help as a COMMANDES section
#   WORK_DIR     scratch folder
#   OUTPUT       the NAME.1.gz to write
#   HELP2MAN, GZIP
cmake_minimum_required(VERSION 3.25)

foreach(variable PROGRAM NAME DESCRIPTION INCLUDE WORK_DIR OUTPUT HELP2MAN GZIP)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "GenerateManPage: ${variable} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/home ${WORK_DIR}/bin)

# A private home and a fixed locale (the plain one, so the French texts, whatever LANGUAGE the
# builder prefers): the text must not depend on who builds it, and a build must leave no
# settings behind. Leak reports of a sanitizer build are not the page.
set(run_environment
    ${CMAKE_COMMAND} -E env --unset=LANGUAGE --unset=LC_MESSAGES LC_ALL=C.UTF-8 LANG=C.UTF-8
    TZ=UTC HOME=${WORK_DIR}/home
    XDG_CONFIG_HOME=${WORK_DIR}/home/config XDG_RUNTIME_DIR= VEXLO_DRIVES=
    QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0)

function(program_output out)
  execute_process(COMMAND ${run_environment} ${PROGRAM} ${ARGN} OUTPUT_VARIABLE text
                  RESULT_VARIABLE status ERROR_QUIET)
  if(NOT status EQUAL 0 OR text STREQUAL "")
    string(JOIN " " arguments ${ARGN})
    message(FATAL_ERROR "${NAME} ${arguments} failed (${status})")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

program_output(help_text --help)
program_output(version_text --version)

# CMake lists split on ";" and stop splitting inside brackets: both occur in the help texts.
string(ASCII 1 semicolon)
string(ASCII 2 open_bracket)
string(ASCII 3 close_bracket)

function(to_lines out text)
  string(REPLACE ";" "${semicolon}" text "${text}")
  string(REPLACE "[" "${open_bracket}" text "${text}")
  string(REPLACE "]" "${close_bracket}" text "${text}")
  string(REGEX REPLACE "\n$" "" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  set(${out} "${lines}" PARENT_SCOPE)
endfunction()

function(from_lines out lines)
  string(REPLACE ";" "\n" text "${lines}")
  string(REPLACE "${semicolon}" ";" text "${text}")
  string(REPLACE "${open_bracket}" "[" text "${text}")
  string(REPLACE "${close_bracket}" "]" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Text for roff: backslashes and hyphens escaped, no control word at the start of a line.
function(roff out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  # help2man also reads "[" and "/" at the start of an include line
  string(REGEX REPLACE "^([.'/${open_bracket}])" "\\\\&\\1" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# A definition's term, its option names in bold.
function(roff_term out text)
  string(REGEX REPLACE "(^|[ ,|${open_bracket}])(--?[A-Za-z][-A-Za-z]*)" "\\1\\\\fB\\2\\\\fR"
                       text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# help2man reads "Usage:", "or:" and "Options:"; the programs write French typography and
# continue a long usage on indented lines.
# An entry of a list (a command: "  plot FICHIER.vx … [--to T]", more usage on lines starting
# with "[", then its text after a gap or on a line of its own; or an option whose text goes on
# at another indent) is given to help2man as its tag on one line and its whole text on the
# next, which help2man reads as one tagged paragraph; an entry without text stays a paragraph.
macro(flush_item)
  if(item_lines)
    string(REGEX REPLACE "  +" " " item_tag "${item_tag}")
    if(item_text STREQUAL "")
      list(APPEND adapted "  ${item_tag}" "")
    else()
      list(APPEND adapted "  ${item_tag}" "                      ${item_text}")
    endif()
  endif()
  set(item_lines)
endmacro()

# A term and its text, parted by two spaces or more; the text of an option with a value
# ("--first N, --last M première…") may start after one.
set(metavariable "(${open_bracket}?[= ][A-Z][^ ,${close_bracket}]*${close_bracket}?)")
set(option_term "--?[a-zA-Z][-a-z]*${metavariable}(, --?[a-zA-Z][-a-z]*${metavariable}?)*")
function(split_at_gap text out_tag out_text)
  if(text MATCHES "^([^ ]+( [^ ]+)*)  +([^ ].*)$")
    set(tag "${CMAKE_MATCH_1}")
    set(rest "${CMAKE_MATCH_3}")
  elseif(text MATCHES "^(${option_term}) ([^ ].*)$")
    set(tag "${CMAKE_MATCH_1}")
    set(rest "${CMAKE_MATCH_5}")
  else()
    set(tag "${text}")
    set(rest "")
  endif()
  string(REGEX REPLACE "  +" " " rest "${rest}")
  set(${out_tag} "${tag}" PARENT_SCOPE)
  set(${out_text} "${rest}" PARENT_SCOPE)
endfunction()

to_lines(lines "${help_text}")
set(adapted)
set(item_lines)
set(in_usage OFF)
foreach(line IN LISTS lines)
  if(line MATCHES "^usage : (.*)$")
    list(APPEND adapted "Usage: ${CMAKE_MATCH_1}")
    set(in_usage ON)
    continue()
  endif()
  if(in_usage AND line MATCHES "^ +(${open_bracket}.*)$")
    list(POP_BACK adapted previous)
    list(APPEND adapted "${previous} ${CMAKE_MATCH_1}")
    continue()
  endif()
  if(in_usage AND line MATCHES "^ +(${NAME} .*)$")
    list(APPEND adapted "   or: ${CMAKE_MATCH_1}")
    continue()
  endif()
  set(in_usage OFF)
  if(item_lines AND line MATCHES "^(   +)(.*)$")
    list(APPEND item_lines "${line}")
    string(LENGTH "${CMAKE_MATCH_1}" indent)
    set(rest "${CMAKE_MATCH_2}")
    if(item_text STREQUAL "" AND rest MATCHES "^${open_bracket}")
      split_at_gap("${rest}" tag text)
      string(APPEND item_tag " ${tag}")
      set(item_text "${text}")
    elseif(item_text STREQUAL "" AND indent LESS 20)
      string(APPEND item_tag " ${rest}")
    else()
      string(REGEX REPLACE "  +" " " rest "${rest}")
      string(STRIP "${item_text} ${rest}" item_text)
    endif()
    continue()
  endif()
  flush_item()
  if(line MATCHES "^  ([^ ].*)$")
    set(item_lines "${line}")
    split_at_gap("${CMAKE_MATCH_1}" item_tag item_text)
    continue()
  endif()
  if(line MATCHES "^Options :$")
    set(line "Options:")
  endif()
  list(APPEND adapted "${line}")
endforeach()
flush_item()
from_lines(adapted_help "${adapted}")
file(WRITE ${WORK_DIR}/help.txt "${adapted_help}\n")
file(WRITE ${WORK_DIR}/version.txt "${version_text}")
file(WRITE ${WORK_DIR}/bin/${NAME}
     "#!/bin/sh\ncase \"$1\" in\n--version) exec cat '${WORK_DIR}/version.txt' ;;\n"
     "*) exec cat '${WORK_DIR}/help.txt' ;;\nesac\n")
file(CHMOD ${WORK_DIR}/bin/${NAME} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)

# help2man's --name garbles what is not ASCII (the ’ of French), an include file does not.
roff(name_line "${NAME} - ${DESCRIPTION}")
file(WRITE ${WORK_DIR}/name.h2m "[NAME]\n${name_line}\n")
set(includes --include=${WORK_DIR}/name.h2m --include=${INCLUDE})

if(COMMANDS)
  # The commands are the lines of the help indented by two spaces and starting with a word.
  set(commands)
  foreach(line IN LISTS lines)
    if(line MATCHES "^  ([a-z][-a-z]*)( |$)")
      list(APPEND commands ${CMAKE_MATCH_1})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES commands)
  if(NOT commands)
    message(FATAL_ERROR "${NAME} --help lists no command")
  endif()

  set(page "[COMMANDES]\n")
  foreach(command IN LISTS commands)
    program_output(command_help ${command} --help)
    if(NOT command_help MATCHES "^usage : ${NAME} ${command}( |\n)")
      message(FATAL_ERROR "'${NAME} ${command} --help' does not begin with its usage")
    endif()
    string(APPEND page ".SS ${command}\n")
    to_lines(command_lines "${command_help}")
    # The usage lines first, then definitions (a term, two spaces, its text, deeper lines
    # going on with it) and paragraphs.
    set(state usage)
    set(synopsis)
    set(body)
    foreach(line IN LISTS command_lines)
      if(state STREQUAL "usage")
        if(line MATCHES "^usage : ${NAME} (.*)$")
          list(APPEND synopsis "${CMAKE_MATCH_1}")
          continue()
        elseif(line MATCHES "^ +${NAME} (.*)$")
          list(APPEND synopsis "${CMAKE_MATCH_1}")
          continue()
        elseif(line MATCHES "^ +(${open_bracket}.*)$")
          list(POP_BACK synopsis previous)
          list(APPEND synopsis "${previous} ${CMAKE_MATCH_1}")
          continue()
        endif()
        set(state break)
      endif()
      set(term "")
      if(line MATCHES "^  ([^ ].*)$")
        split_at_gap("${CMAKE_MATCH_1}" tag text)
        if(NOT text STREQUAL "")
          set(term "${tag}")
        endif()
      endif()
      if(line STREQUAL "")
        set(state break)
      elseif(NOT term STREQUAL "")
        roff_term(term "${term}")
        roff(text "${text}")
        list(APPEND body ".TP" "${term}" "${text}")
        set(state definition)
      elseif(state STREQUAL "definition" AND line MATCHES "^   +(.*)$")
        roff(text "${CMAKE_MATCH_1}")
        list(APPEND body "${text}")
      else()
        string(REGEX REPLACE "^ +" "" text "${line}")
        roff(text "${text}")
        if(NOT state STREQUAL "paragraph")
          list(APPEND body ".PP")
        endif()
        list(APPEND body "${text}")
        set(state paragraph)
      endif()
    endforeach()
    string(REPLACE "-" "\\-" roff_name "${NAME}")
    set(first ON)
    foreach(usage IN LISTS synopsis)
      if(NOT first)
        string(APPEND page ".br\n")
      endif()
      set(first OFF)
      string(REGEX REPLACE "  +" " " usage "${usage}")
      roff(usage "${usage}")
      from_lines(usage "${usage}")
      string(REGEX MATCH "^[^ ]+" word "${usage}")
      string(LENGTH "${word}" length)
      string(SUBSTRING "${usage}" ${length} -1 rest)
      string(APPEND page "\\fB${roff_name} ${word}\\fR${rest}\n")
    endforeach()
    from_lines(body_text "${body}")
    string(APPEND page "${body_text}\n")
  endforeach()
  file(WRITE ${WORK_DIR}/commands.h2m "${page}")
  list(PREPEND includes --include=${WORK_DIR}/commands.h2m)
endif()

execute_process(
  COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 ${HELP2MAN} --no-info --section=1 --locale=C.UTF-8
          ${includes} --output=${WORK_DIR}/${NAME}.1 ${WORK_DIR}/bin/${NAME}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed for ${NAME} (${status})")
endif()

# French title, date and heading; string(TIMESTAMP) follows SOURCE_DATE_EPOCH, so that a
# package build gives the same bytes. Neither justified nor hyphenated: the hyphenation
# patterns are English, the text French, and long usage lines would be spread to the margin.
file(READ ${WORK_DIR}/${NAME}.1 page)
set(months janvier février mars avril mai juin juillet août septembre octobre novembre décembre)
string(TIMESTAMP month_number "%m" UTC)
string(TIMESTAMP year "%Y" UTC)
math(EXPR month_index "${month_number} - 1")
list(GET months ${month_index} month)
string(TOUPPER "${NAME}" upper_name)
string(REPLACE "-" "\\-" upper_name "${upper_name}")
string(REGEX MATCH "^[^\n]*" version_line "${version_text}")
string(REPLACE "-" "\\-" version_line "${version_line}")
string(REGEX MATCH "\n\\.TH [^\n]*" title_line "${page}")
if(title_line STREQUAL "")
  message(FATAL_ERROR "help2man wrote no title line for ${NAME}")
endif()
string(REPLACE "${title_line}" "\n.TH ${upper_name} 1 \"${month} ${year}\" \"${version_line}\" \"Commandes de l’utilisateur\"\n.ad l\n.nh" page "${page}")
string(REPLACE "\n.SH NAME\n" "\n.SH NOM\n" page "${page}")
# French spacing: no line break between a word and the « : », « ; » or guillemet after it.
string(REPLACE " :" "\\~:" page "${page}")
string(REPLACE " ;" "\\~;" page "${page}")
string(REPLACE " »" "\\~»" page "${page}")
string(REPLACE "« " "«\\~" page "${page}")
file(WRITE ${WORK_DIR}/${NAME}.1 "'\\\" -*- coding: UTF-8 -*-\n${page}")

get_filename_component(output_dir ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${output_dir})
execute_process(COMMAND ${GZIP} -9n -c ${WORK_DIR}/${NAME}.1 OUTPUT_FILE ${OUTPUT}.part
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed for ${NAME}.1 (${status})")
endif()
file(RENAME ${OUTPUT}.part ${OUTPUT})
