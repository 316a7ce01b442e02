# Installs the build into a fresh prefix and checks that everything a desktop needs
# is where it looks for it.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

set(expected
    bin/kestrivane
    bin/kestrivane-internet-options
    share/applications/kestrivane.desktop
    share/icons/hicolor/scalable/apps/kestrivane.svg
    share/man/man1/kestrivane.1.gz
    share/man/man1/kestrivane-internet-options.1.gz
    share/metainfo/example.palvenna.Kestrivane.metainfo.xml)
foreach(size 16 24 32 48 64 128)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/kestrivane.png)
endforeach()
foreach(file ${expected})
  if(NOT EXISTS ${PREFIX}/${file})
    message(SEND_ERROR "not installed: ${file}")
  endif()
endforeach()
file(READ ${PREFIX}/share/applications/kestrivane.desktop entry)
# Links from other programs arrive as addresses on the command line.
foreach(line "Exec=kestrivane %U" "Icon=kestrivane" "Type=Application" "x-scheme-handler/https;"
        "x-scheme-handler/http;" "text/html;" "application/xhtml+xml;"
        "Exec=kestrivane --new-window" "Exec=kestrivane --private")
  string(FIND "${entry}" "${line}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "kestrivane.desktop lacks ${line}")
  endif()
endforeach()
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  execute_process(COMMAND ${DESKTOP_FILE_VALIDATE} ${PREFIX}/share/applications/kestrivane.desktop
                  RESULT_VARIABLE valid OUTPUT_VARIABLE complaints ERROR_VARIABLE complaints)
  if(NOT valid EQUAL 0)
    message(SEND_ERROR "kestrivane.desktop: ${complaints}")
  endif()
endif()
# Made the desktop's web browser, it handles https links (settings in a folder of its own).
set(xdg ${PREFIX}/xdg)
file(MAKE_DIRECTORY ${xdg}/config ${xdg}/data/applications)
file(COPY ${PREFIX}/share/applications/kestrivane.desktop DESTINATION ${xdg}/data/applications)
# xdg-settings takes only a browser whose program it finds on PATH.
set(xdg_env ${CMAKE_COMMAND} -E env XDG_CONFIG_HOME=${xdg}/config XDG_DATA_HOME=${xdg}/data
            XDG_DATA_DIRS=${xdg}/data XDG_CURRENT_DESKTOP=X-Generic --unset=DE
            "PATH=${PREFIX}/bin:$ENV{PATH}")
execute_process(COMMAND ${xdg_env} xdg-settings set default-web-browser kestrivane.desktop
                RESULT_VARIABLE set_result ERROR_VARIABLE set_complaints)
execute_process(COMMAND ${xdg_env} xdg-mime query default x-scheme-handler/https
                OUTPUT_VARIABLE handler OUTPUT_STRIP_TRAILING_WHITESPACE)
file(READ ${xdg}/config/mimeapps.list chosen)
string(FIND "${chosen}" "x-scheme-handler/https=kestrivane.desktop" chosen_at)
if(NOT set_result EQUAL 0 OR NOT handler STREQUAL "kestrivane.desktop" OR chosen_at EQUAL -1)
  message(SEND_ERROR "not the default browser once set (${set_result} ${set_complaints}): "
                     "https goes to '${handler}'")
endif()
file(REMOVE_RECURSE ${PREFIX})
message(STATUS "install layout holds")
