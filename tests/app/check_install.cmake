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
foreach(line "Exec=kestrivane" "Icon=kestrivane" "Type=Application")
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
file(REMOVE_RECURSE ${PREFIX})
message(STATUS "install layout holds")
