# SPDX-License-Identifier: GPL-3.0-or-later
# The manual pages of both programs, made by help2man from their own --help (and a few sections of
# resources/package), so they never disagree with the programs; in UTF-8, as the programs write. Not in
# the sanitizer and fuzz builds, whose programs are not installed.
find_program(HELP2MAN_PROGRAM help2man)
if(HELP2MAN_PROGRAM AND NOT TONEBENCH_SANITIZE AND NOT TONEBENCH_FUZZ)
  set(TONEBENCH_MAN_PAGES)
  foreach(program tonebench tonebench-cli)
    if(program STREQUAL "tonebench")
      set(summary "patch editor and librarian for the Roland Juno-106")
    else()
      set(summary "the librarian's batch work for the Roland Juno-106, for scripts")
    endif()
    set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
    # The programs run without a display and with a home of their own inside the build folder.
    add_custom_command(
      OUTPUT ${page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man/home
      COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen HOME=${CMAKE_BINARY_DIR}/man/home
              XDG_CONFIG_HOME=${CMAKE_BINARY_DIR}/man/home XDG_DATA_HOME=${CMAKE_BINARY_DIR}/man/home
              XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/man/home
              ${HELP2MAN_PROGRAM} --locale=C.UTF-8 --no-info --section=1 --name=${summary} --version-string=${PROJECT_VERSION}
              --include=${PROJECT_SOURCE_DIR}/resources/package/${program}.h2m --output=${page}
              $<TARGET_FILE:${program}>
      COMMAND gzip -9nf ${page}
      DEPENDS ${program} ${PROJECT_SOURCE_DIR}/resources/package/${program}.h2m
      COMMENT "Writing the manual page of ${program}"
      VERBATIM)
    list(APPEND TONEBENCH_MAN_PAGES ${page}.gz)
  endforeach()
  add_custom_target(manual_pages ALL DEPENDS ${TONEBENCH_MAN_PAGES})
  install(FILES ${TONEBENCH_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
