# Installation: Verdalis keeps its data beside its executable, so it is
# installed as one folder the user owns, e.g.
#   cmake --install build --prefix ~/Verdalis
# puts verdalis, the usage guide hana.doc and the icon at the top of that
# folder (not in bin/). The desktop entry and the icon theme files go to the
# user's ${XDG_DATA_HOME:-~/.local/share}, so the program appears in the
# desktop's application menu.

option(VERDALIS_INSTALL_DESKTOP_ENTRY
       "Install the desktop entry and icons into the installing user's XDG data folder" ON)

set(VERDALIS_ICON_DIR ${CMAKE_SOURCE_DIR}/data/icons)
set(VERDALIS_ICON_SIZES 32 48 64 128 256)

install(TARGETS verdalis RUNTIME DESTINATION .)
install(FILES ${VERDALIS_GUIDE} DESTINATION .)
install(FILES ${VERDALIS_ICON_DIR}/verdalis.svg DESTINATION .)
install(FILES ${VERDALIS_ICON_DIR}/verdalis-256.png DESTINATION . RENAME verdalis.png)

if(VERDALIS_INSTALL_DESKTOP_ENTRY)
  install(CODE "
    set(VERDALIS_ICON_DIR \"${VERDALIS_ICON_DIR}\")
    set(VERDALIS_ICON_SIZES \"${VERDALIS_ICON_SIZES}\")
    set(VERDALIS_DESKTOP_TEMPLATE \"${CMAKE_SOURCE_DIR}/data/verdalis.desktop.in\")
    set(VERDALIS_DESKTOP_WORK \"${CMAKE_BINARY_DIR}/desktop-entry\")
  ")
  install(SCRIPT ${CMAKE_SOURCE_DIR}/cmake/InstallDesktopEntry.cmake)
endif()
