# Runs at install time (see Install.cmake): writes verdalis.desktop with the
# absolute path of the installed executable and installs the icons into the
# hicolor theme of the user's data folder.

# The installed folder as an absolute path; a relative --prefix is taken
# from the directory the install was started in.
get_filename_component(prefix "${CMAKE_INSTALL_PREFIX}" ABSOLUTE BASE_DIR "$ENV{PWD}")

if(NOT "$ENV{XDG_DATA_HOME}" STREQUAL "" AND IS_ABSOLUTE "$ENV{XDG_DATA_HOME}")
  set(data_home "$ENV{XDG_DATA_HOME}")
elseif(NOT "$ENV{HOME}" STREQUAL "")
  set(data_home "$ENV{HOME}/.local/share")
else()
  message(WARNING "Neither XDG_DATA_HOME nor HOME is set: no desktop entry installed")
  return()
endif()

# Exec: the path, quoted when it holds a character that the desktop entry
# format reserves; "%" is doubled and, inside quotes, " ` $ \ take a
# backslash. Then, as in every string value, each backslash is doubled.
set(exe "${prefix}/verdalis")
string(REPLACE "%" "%%" exec "${exe}")
if(exec MATCHES "[ \t\"'\\\\><~|&;$*?#()`]")
  string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" exec "${exec}")
  set(exec "\"${exec}\"")
endif()
string(REPLACE "\\" "\\\\" VERDALIS_DESKTOP_EXEC "${exec}")
# Path: the working directory, where "使い方(&U)" finds hana.doc.
string(REPLACE "\\" "\\\\" VERDALIS_DESKTOP_PATH "${prefix}")

configure_file("${VERDALIS_DESKTOP_TEMPLATE}" "${VERDALIS_DESKTOP_WORK}/verdalis.desktop" @ONLY)
file(INSTALL DESTINATION "${data_home}/applications" TYPE FILE FILES "${VERDALIS_DESKTOP_WORK}/verdalis.desktop")

foreach(size IN LISTS VERDALIS_ICON_SIZES)
  file(INSTALL DESTINATION "${data_home}/icons/hicolor/${size}x${size}/apps" TYPE FILE
       FILES "${VERDALIS_ICON_DIR}/verdalis-${size}.png" RENAME verdalis.png)
endforeach()
file(INSTALL DESTINATION "${data_home}/icons/hicolor/scalable/apps" TYPE FILE
     FILES "${VERDALIS_ICON_DIR}/verdalis.svg")

# Menus that keep a cache of desktop entries are told about the new one.
find_program(update_desktop_database update-desktop-database)
if(update_desktop_database AND "$ENV{DESTDIR}" STREQUAL "")
  execute_process(COMMAND "${update_desktop_database}" "${data_home}/applications" OUTPUT_QUIET ERROR_QUIET)
endif()
