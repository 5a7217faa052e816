# What `cpack` puts in a package, per platform: on Windows a zip with the window and the console
# program; on Linux a Debian package with the terminal program, its man page and bash completion.
# scripts/package builds the programs and runs cpack in each preset's build.

# Packaging builds only what it ships (scripts/package names those targets), not the test suites.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(CPACK_PACKAGE_VENDOR "The SizeWarden developers")
set(CPACK_PACKAGE_CONTACT "The SizeWarden developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "expose counterfeit USB flash drives and memory cards")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")

if(WIN32)
  install(TARGETS SizeWarden sizewarden RUNTIME DESTINATION .)
  # Text files a double click opens on Windows, with its line breaks; the README for a Windows
  # user, not the developers' one.
  configure_file(packaging/README-windows.txt ${CMAKE_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)
  install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME SizeWarden-${PROJECT_VERSION}-windows-x64)
elseif(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  include(GNUInstallDirs)
  install(TARGETS sizewarden RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

  # The man page is the program's own --help and each command's, so it cannot drift from the
  # options.
  find_program(SW_HELP2MAN help2man)
  if(SW_HELP2MAN)
    set(sw_man ${CMAKE_BINARY_DIR}/man/sizewarden.1)
    set(sw_man_commands ${CMAKE_BINARY_DIR}/man/commands.h2m)
    add_custom_command(OUTPUT ${sw_man}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${PROJECT_SOURCE_DIR}/packaging/man-commands $<TARGET_FILE:sizewarden> ${sw_man_commands}
      COMMAND ${SW_HELP2MAN} --no-info --section=1 --include=${sw_man_commands}
              --include=${PROJECT_SOURCE_DIR}/packaging/man-extra.h2m
              "--name=${CPACK_PACKAGE_DESCRIPTION_SUMMARY}" --output=${sw_man} $<TARGET_FILE:sizewarden>
      COMMAND gzip -9nf ${sw_man}
      DEPENDS sizewarden ${PROJECT_SOURCE_DIR}/packaging/man-commands
              ${PROJECT_SOURCE_DIR}/packaging/man-extra.h2m
      VERBATIM)
    add_custom_target(sw_manpage ALL DEPENDS ${sw_man}.gz)
    install(FILES ${sw_man}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  else()
    message(WARNING "help2man not found: the Debian package will have no man page (scripts/setup installs it)")
  endif()

  install(FILES packaging/sizewarden.bash-completion
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME sizewarden)
  install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/sizewarden RENAME copyright)
  # The JSON document's description and schema, which --help and the man page point to.
  install(FILES docs/json.md docs/sizewarden-result.schema.json
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/sizewarden)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME sizewarden)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  string(CONCAT CPACK_PACKAGE_DESCRIPTION
      "SizeWarden finds drives that report a large size but hold far less memory: the Quick Size\n"
      "Test writes numbered markers across the whole drive and reads them back; the exact probe\n"
      "finds the last good sector and the kind of fake while keeping the drive's data; the file\n"
      "test fills a volume's free space with test files and verifies them, thoroughly in .h2w\n"
      "files that f3read and H2testw can check too.")
endif()

include(CPack)
