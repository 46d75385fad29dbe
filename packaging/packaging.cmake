# SPDX-License-Identifier: GPL-3.0-or-later
# Installing Tessavo as a desktop program (cmake --install, honouring DESTDIR and the prefix),
# and its Debian package (cpack). Included from the top-level CMakeLists.txt.
include(GNUInstallDirs)

set(TESSAVO_MAINTAINER "Tessavo maintainers <maintainers@users.noreply.c-seed-a0e76125.example>"
    CACHE STRING "Maintainer field of the Debian package")

# The icon is drawn once, as SVG; the sizes desktops look up are made from it, so they cannot
# drift apart. The program embeds the same pictures as PNG and so needs no SVG support.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(icon_svg ${CMAKE_CURRENT_LIST_DIR}/tessavo.svg)
set(icon_pngs "")
foreach(size 16 24 32 48 64 128 256)
  set(dir ${CMAKE_BINARY_DIR}/icons/${size}x${size}/apps)
  add_custom_command(OUTPUT ${dir}/tessavo.png
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${RSVG_CONVERT} --width ${size} --height ${size} --output ${dir}/tessavo.png ${icon_svg}
    DEPENDS ${icon_svg} VERBATIM)
  set_source_files_properties(${dir}/tessavo.png PROPERTIES QT_RESOURCE_ALIAS tessavo-${size}.png)
  list(APPEND icon_pngs ${dir}/tessavo.png)
  install(FILES ${dir}/tessavo.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
qt_add_resources(tessavo_app tessavo_icons PREFIX /icons FILES ${icon_pngs})

# Debian wants manual pages compressed.
set(man_page ${CMAKE_BINARY_DIR}/man/tessavo.1)
add_custom_command(OUTPUT ${man_page}.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_LIST_DIR}/tessavo.1 ${man_page}
  COMMAND gzip -9nf ${man_page}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/tessavo.1 VERBATIM)
add_custom_target(tessavo_man ALL DEPENDS ${man_page}.gz)

install(TARGETS tessavo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (the package's) drops the compiler's notes as well, as Debian's own
# packages do.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/tessavo\"
      COMMAND_ERROR_IS_FATAL ANY)
  endif()")
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tessavo.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/io.github.tessavo.Tessavo.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${man_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package's own documents: its copyright and changelog. They go into the package
# only (component deb, left out of a plain `cmake --install`).
set(deb_dir ${CMAKE_CURRENT_LIST_DIR}/deb)
file(STRINGS ${deb_dir}/changelog changelog_head LIMIT_COUNT 1)
string(REPLACE "." "\\." version_re ${PROJECT_VERSION})
if(NOT changelog_head MATCHES "^tessavo \\(${version_re}\\) ")
  message(FATAL_ERROR "packaging/deb/changelog starts with \"${changelog_head}\", "
                      "not an entry for version ${PROJECT_VERSION}")
endif()
set(changelog ${CMAKE_BINARY_DIR}/deb/changelog)
add_custom_command(OUTPUT ${changelog}.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${deb_dir}/changelog ${changelog}
  COMMAND gzip -9nf ${changelog}
  DEPENDS ${deb_dir}/changelog VERBATIM)
add_custom_target(tessavo_changelog ALL DEPENDS ${changelog}.gz)
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/tessavo)
install(FILES ${deb_dir}/copyright ${changelog}.gz DESTINATION ${doc_dir}
        COMPONENT deb EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
# Everything a plain install puts in, and the package's own documents.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/"
                                 "${CMAKE_BINARY_DIR};${PROJECT_NAME};deb;/")
set(CPACK_PACKAGE_NAME tessavo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "cover messenger chat windows you are not working in")
# Debian wants the description's lines at most 80 characters long.
set(CPACK_PACKAGE_DESCRIPTION "\
Tessavo (테사보) lays a cover over every chat window of the KakaoTalk
messenger except the one you are working in: a notepad page with a to-do
list, or the piece of desktop picture beneath it. A click, the floating
switcher bar or a hot key shows a chat for a moment. Other applications you
name are protected the same way. Works on X11 desktops and through
XWayland; its own text is Korean.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TESSAVO_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries it links come from dpkg-shlibdeps; the Hangul font it draws with does not.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-nanum | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
