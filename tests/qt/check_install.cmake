cmake_minimum_required(VERSION 3.22)
# Installs the desktop component into a scratch prefix and checks that a
# desktop menu would find the program, its icon and its help page.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} --component kinsheet_desktop
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
set(icon ${PREFIX}/${DATADIR}/icons/hicolor/scalable/apps/${APP_ID}.svg)
set(entry ${PREFIX}/${DATADIR}/applications/${APP_ID}.desktop)
foreach(file ${PREFIX}/${BINDIR}/kinsheet ${PREFIX}/${DATADIR}/kinsheet/kinsheet-help.html ${entry} ${icon}
        ${PREFIX}/${DATADIR}/icons/hicolor/48x48/apps/${APP_ID}.png)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
file(STRINGS ${entry} lines)
foreach(line "[Desktop Entry]" "Type=Application" "Name=Kinsheet" "Exec=kinsheet %f" "Icon=${APP_ID}"
        "MimeType=application/x-gedcom;")
  if(NOT line IN_LIST lines)
    message(FATAL_ERROR "${APP_ID}.desktop lacks the line: ${line}")
  endif()
endforeach()
file(READ ${icon} svg)
if(NOT svg MATCHES "<svg")
  message(FATAL_ERROR "the icon is not an SVG image")
endif()
