# Installation layout and the Debian package (CPack, DEB generator). scripts/package builds
# a release tree with BX_PACKAGE=ON and runs CPack in it; the package's dependencies come
# from the shared libraries the programs link (dpkg-shlibdeps), not from a hand-kept list.
include(GNUInstallDirs)

set(_linux ${CMAKE_SOURCE_DIR}/resources/linux)
set(_share ${CMAKE_INSTALL_DATADIR})
set(_doc ${CMAKE_INSTALL_DATADIR}/doc/brevantix-configurator)

foreach(p brevantix-configurator brevantix-cli brevantix-sim)
  if(TARGET ${p})
    install(TARGETS ${p} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# The demo adapter's pass-thru driver: a private library, found by the programs in
# lib/brevantix-configurator/ beside their bin/.
install(TARGETS brevantix-passthru-demo LIBRARY DESTINATION lib/brevantix-configurator)

# The scripting module, where the system's Python finds it.
if(TARGET _brevantix)
  install(TARGETS _brevantix LIBRARY DESTINATION lib/python3/dist-packages/brevantix)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/python/brevantix/ DESTINATION lib/python3/dist-packages/brevantix
          FILES_MATCHING PATTERN "*.py" PATTERN "*.pyi" PATTERN "py.typed")
endif()

install(FILES ${_linux}/brevantix-configurator.desktop DESTINATION ${_share}/applications)
install(FILES ${_linux}/brevantix-firmware.xml DESTINATION ${_share}/mime/packages)
configure_file(${_linux}/example.brevantix.Configurator.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/package/example.brevantix.Configurator.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/package/example.brevantix.Configurator.metainfo.xml
        DESTINATION ${_share}/metainfo)
foreach(s 16 32 48 64 128 256)
  install(FILES ${_linux}/icons/brevantix-configurator-${s}.png
          DESTINATION ${_share}/icons/hicolor/${s}x${s}/apps RENAME brevantix-configurator.png)
endforeach()
install(FILES ${_linux}/icons/brevantix-configurator.svg DESTINATION ${_share}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_SOURCE_DIR}/resources/demo/demo.rfw DESTINATION ${_share}/brevantix-configurator)

# Manual pages: the window's and the CLI's are written by hand for people, the
# simulator's is made from its --help text.
find_program(HELP2MAN help2man)
find_program(GZIP gzip REQUIRED)
set(_man ${CMAKE_BINARY_DIR}/package/man)
set(_pages)
file(MAKE_DIRECTORY ${_man})
function(bx_gzip_page in out)
  add_custom_command(OUTPUT ${out} COMMAND ${GZIP} -9nc ${in} > ${out} DEPENDS ${in} VERBATIM)
endfunction()
foreach(p brevantix-configurator brevantix-cli)
  bx_gzip_page(${_linux}/${p}.1 ${_man}/${p}.1.gz)
  list(APPEND _pages ${_man}/${p}.1.gz)
endforeach()
if(NOT HELP2MAN)
  message(FATAL_ERROR "BX_PACKAGE needs help2man (scripts/setup package installs it)")
endif()
foreach(p brevantix-sim)
  set(_name "simulated Brevantix adapter")
  # The programs run with a scratch settings folder, so that making the pages writes
  # nothing into the builder's own.
  add_custom_command(OUTPUT ${_man}/${p}.1
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_man}/home
    COMMAND ${CMAKE_COMMAND} -E env HOME=${_man}/home XDG_CONFIG_HOME=${_man}/home XDG_DATA_HOME=${_man}/home
            ${HELP2MAN} --no-info --no-discard-stderr --version-string=${PROJECT_VERSION}
            --name=${_name} --section=1 --output=${_man}/${p}.1 $<TARGET_FILE:${p}>
    DEPENDS ${p} VERBATIM)
  bx_gzip_page(${_man}/${p}.1 ${_man}/${p}.1.gz)
  list(APPEND _pages ${_man}/${p}.1.gz)
endforeach()
add_custom_target(manpages ALL DEPENDS ${_pages})
install(FILES ${_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The copyright file and changelog Debian policy asks every package for.
configure_file(${_linux}/copyright.in ${CMAKE_BINARY_DIR}/package/copyright @ONLY)
configure_file(${_linux}/changelog.in ${CMAKE_BINARY_DIR}/package/changelog @ONLY)
bx_gzip_page(${CMAKE_BINARY_DIR}/package/changelog ${CMAKE_BINARY_DIR}/package/changelog.gz)
add_custom_target(package_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/package/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/package/copyright ${CMAKE_BINARY_DIR}/package/changelog.gz
        DESTINATION ${_doc})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brevantix-configurator)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "${BX_COMPANY_NAME}")
set(CPACK_PACKAGE_CONTACT "Brevantix Configurator developers <developers@brevantix.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configurator for Brevantix vehicle-diagnostic adapters")
# CPack puts the summary first and indents this text itself; an empty line becomes " .".
set(CPACK_PACKAGE_DESCRIPTION
    "Finds a Brevantix adapter on a serial port or over TCP, reads its identity,
switches its operating modes, uploads firmware to its bootloader, runs its
self-test, and sets its hardware and WiFi options.

The package holds the window (brevantix-configurator), the command-line
front end (brevantix-cli), an adapter simulator (brevantix-sim) and the
Python module brevantix for test benches and production scripts.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${BX_WEB_ADDRESS}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Python module is built for the system's Python (its minor version is in the
# module's name), which dpkg-shlibdeps cannot tell.
if(TARGET _brevantix)
  math(EXPR _next_minor "${Python3_VERSION_MINOR} + 1")
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}~), python3 (<< ${Python3_VERSION_MAJOR}.${_next_minor})")
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package/out)
include(CPack)
