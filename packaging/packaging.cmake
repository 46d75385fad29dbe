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
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tessavo.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/io.github.tessavo.Tessavo.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${man_page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessavo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "cover messenger chat windows you are not working in")
set(CPACK_PACKAGE_DESCRIPTION "\
Tessavo (테사보) lays a cover over every chat window of the KakaoTalk messenger except the
one you are working in: a notepad page with a to-do list, or the piece of desktop picture
beneath it. A click, the floating switcher bar or a hot key shows a chat for a moment.
Works on X11 desktops and through XWayland; its own text is Korean.")
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
