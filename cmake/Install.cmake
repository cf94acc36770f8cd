# Installing Quillet as a desktop program, and its Debian package.
#
#   bin/quillet, bin/quillet-batch
#   share/applications/quillet.desktop
#   share/metainfo/io.norvane.Quillet.metainfo.xml
#   share/icons/hicolor/<N>x<N>/apps/quillet.png and scalable/apps/quillet.svg
#   share/quillet/help/ (the HTML help)
#   bin/quillet-resize-to-large-jpg, share/nemo/actions/quillet-resize*.nemo_action,
#   share/kio/servicemenus/quillet-resize.desktop (the file managers' actions
#   for every user, from the templates the program also installs per user)
include(GNUInstallDirs)

set(QUILLET_ICON_SVG ${PROJECT_SOURCE_DIR}/resources/icons/QLT.svg)
set(QUILLET_ICON_SIZES 16 22 24 32 48 64 128 256)
set(QUILLET_ICON_DIR ${PROJECT_BINARY_DIR}/icons)

# The PNG icons are rendered from the SVG at build time.
add_executable(render_icon ${PROJECT_SOURCE_DIR}/tools/render_icon.cpp)
target_link_libraries(render_icon PRIVATE Qt6::Gui)
quillet_warnings(render_icon)

# The desktop entry's MimeType= line and the metainfo's media types come from
# the format table.
add_executable(desktop_entry ${PROJECT_SOURCE_DIR}/tools/desktop_entry.cpp)
target_link_libraries(desktop_entry PRIVATE platform)
quillet_warnings(desktop_entry)
set(QUILLET_DESKTOP_ENTRY ${PROJECT_BINARY_DIR}/packaging/quillet.desktop)
add_custom_command(
  OUTPUT ${QUILLET_DESKTOP_ENTRY}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:desktop_entry> ${PROJECT_SOURCE_DIR}/packaging/quillet.desktop.in ${QUILLET_DESKTOP_ENTRY}
  DEPENDS desktop_entry ${PROJECT_SOURCE_DIR}/packaging/quillet.desktop.in
  VERBATIM)
set(QUILLET_METAINFO ${PROJECT_BINARY_DIR}/packaging/io.norvane.Quillet.metainfo.xml)
add_custom_command(
  OUTPUT ${QUILLET_METAINFO}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:desktop_entry> ${PROJECT_SOURCE_DIR}/packaging/io.norvane.Quillet.metainfo.xml.in
          ${QUILLET_METAINFO}
  DEPENDS desktop_entry ${PROJECT_SOURCE_DIR}/packaging/io.norvane.Quillet.metainfo.xml.in
  VERBATIM)
add_custom_target(quillet_desktop_entry ALL DEPENDS ${QUILLET_DESKTOP_ENTRY} ${QUILLET_METAINFO})

set(_quillet_icon_pngs "")
foreach(size IN LISTS QUILLET_ICON_SIZES)
  list(APPEND _quillet_icon_pngs ${QUILLET_ICON_DIR}/${size}x${size}/quillet.png)
endforeach()
add_custom_command(
  OUTPUT ${_quillet_icon_pngs}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:render_icon> ${QUILLET_ICON_SVG} ${QUILLET_ICON_DIR} ${QUILLET_ICON_SIZES}
  DEPENDS render_icon ${QUILLET_ICON_SVG}
  COMMENT "Rendering the icon theme sizes from QLT.svg"
  VERBATIM)
add_custom_target(quillet_icons ALL DEPENDS ${_quillet_icon_pngs})

install(TARGETS quillet RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET quillet-batch)
  install(TARGETS quillet-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${QUILLET_DESKTOP_ENTRY}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${QUILLET_METAINFO}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size IN LISTS QUILLET_ICON_SIZES)
  install(FILES ${QUILLET_ICON_DIR}/${size}x${size}/quillet.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${QUILLET_ICON_SVG} RENAME quillet.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
if(EXISTS ${PROJECT_SOURCE_DIR}/resources/help)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/help/
          DESTINATION ${CMAKE_INSTALL_DATADIR}/quillet/help)
endif()

# The installed programs are found on the PATH.
set(QUILLET_SH quillet)
set(BATCH_SH quillet-batch)
set(HELPER_SH quillet-resize-to-large-jpg)
set(QUILLET_EXEC quillet)
set(HELPER_EXEC quillet-resize-to-large-jpg)
set(_actions ${PROJECT_BINARY_DIR}/file-manager)
foreach(template resize-to-large-jpg quillet-resize.nemo_action quillet-resize-large-jpg.nemo_action
                 quillet-resize.desktop)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/file-manager/${template} ${_actions}/${template} @ONLY)
endforeach()
install(PROGRAMS ${_actions}/resize-to-large-jpg RENAME quillet-resize-to-large-jpg
        DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${_actions}/quillet-resize.nemo_action ${_actions}/quillet-resize-large-jpg.nemo_action
        DESTINATION ${CMAKE_INSTALL_DATADIR}/nemo/actions)
install(PROGRAMS ${_actions}/quillet-resize.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/kio/servicemenus)

# Debian package: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VENDOR Norvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Batch image resizer: resize, rotate and convert many images in one go")
set(CPACK_PACKAGE_CONTACT "Norvane <quillet@norvane.com>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded as plugins, so dpkg-shlibdeps cannot see them: the window system
# platforms and the SVG icon engine.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
# On Wayland desktops the window needs Qt's Wayland platform, and the screen
# capture the desktop's screenshot portal.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "desktop-file-utils, qt6-wayland, xdg-desktop-portal")
include(CPack)
