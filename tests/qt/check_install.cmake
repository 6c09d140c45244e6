# Installs the desktop component into a scratch prefix and checks that a
# desktop menu would find the program, its icon and its help page.
file(REMOVE_RECURSE ${PREFIX})
execute_process(
  COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} --component kinsheet_desktop
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

foreach(file
    ${BINDIR}/kinsheet
    ${BINDIR}/kinsheet-help.html
    ${DATADIR}/applications/kinsheet.desktop
    ${DATADIR}/icons/hicolor/scalable/apps/kinsheet.svg)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

file(STRINGS ${PREFIX}/${DATADIR}/applications/kinsheet.desktop entry)
foreach(line "[Desktop Entry]" "Type=Application" "Name=Kinsheet" "Exec=kinsheet %f" "Icon=kinsheet")
  list(FIND entry "${line}" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "kinsheet.desktop lacks the line: ${line}")
  endif()
endforeach()
file(READ ${PREFIX}/${DATADIR}/icons/hicolor/scalable/apps/kinsheet.svg icon)
if(NOT icon MATCHES "<svg")
  message(FATAL_ERROR "the icon is not an SVG image")
endif()
message(STATUS "installed: program, help page, desktop entry and icon")
