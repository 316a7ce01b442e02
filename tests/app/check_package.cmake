# Packs this build tree, as scripts/package packs its Release tree, and checks what the
# package would install.
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}
                OUTPUT_VARIABLE output ERROR_VARIABLE output)
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch
                OUTPUT_STRIP_TRAILING_WHITESPACE)
set(deb ${WORK_DIR}/kestrivane_${VERSION}_${arch}.deb)
if(NOT EXISTS ${deb})
  message(FATAL_ERROR "no ${deb}: ${output}")
endif()

execute_process(COMMAND dpkg-deb --field ${deb} Package Version Architecture Depends
                OUTPUT_VARIABLE fields)
execute_process(COMMAND dpkg-deb --field ${deb} Recommends OUTPUT_VARIABLE recommends)
if(NOT recommends MATCHES "gnome-keyring")
  message(SEND_ERROR "Recommends lacks gnome-keyring: ${recommends}")
endif()
if(NOT fields MATCHES "^Package: kestrivane\nVersion: ${VERSION}\nArchitecture: ${arch}\n")
  message(SEND_ERROR "control fields: ${fields}")
endif()
# Versioned, as only the libraries' shlibs files give them.
foreach(library libc6 libstdc\\+\\+6 libgtk-3-0 libgtkmm-3.0-1v5 libwebkit2gtk-4.1-0 libsqlite3-0)
  if(NOT fields MATCHES "(: |, )${library} \\(>= [0-9]")
    message(SEND_ERROR "Depends lacks ${library}: ${fields}")
  endif()
endforeach()

# Exactly these files, owned by root.
set(expected
    usr/bin/kestrivane usr/bin/kestrivane-internet-options
    usr/lib/kestrivane/web-process/libkv_web_process.so
    usr/share/applications/kestrivane.desktop
    usr/share/doc/kestrivane/changelog.gz usr/share/doc/kestrivane/copyright
    usr/share/icons/hicolor/scalable/apps/kestrivane.svg
    usr/share/man/man1/kestrivane-internet-options.1.gz usr/share/man/man1/kestrivane.1.gz
    usr/share/metainfo/example.palvenna.Kestrivane.metainfo.xml)
foreach(size 16 22 24 32 48 64 128)
  list(APPEND expected usr/share/icons/hicolor/${size}x${size}/apps/kestrivane.png)
endforeach()
execute_process(COMMAND dpkg-deb --contents ${deb} OUTPUT_VARIABLE listing)
string(REGEX MATCHALL "\n-[^\n]+" files "\n${listing}")
string(REGEX MATCHALL "\n-[^\n]+ root/root [^\n]+" root_files "\n${listing}")
string(REGEX REPLACE "\n[^\n]* \\./" ";" packed "${files}")
list(SORT expected)
list(SORT packed)
list(REMOVE_ITEM packed "")
if(NOT packed STREQUAL expected OR NOT files STREQUAL root_files)
  message(SEND_ERROR "package contents:\n${listing}")
endif()

execute_process(COMMAND dpkg-deb --extract ${deb} ${WORK_DIR}/root)
execute_process(
  COMMAND appstreamcli validate --no-net
          ${WORK_DIR}/root/usr/share/metainfo/example.palvenna.Kestrivane.metainfo.xml
  RESULT_VARIABLE valid OUTPUT_VARIABLE complaints ERROR_VARIABLE complaints)
if(NOT valid EQUAL 0)
  message(SEND_ERROR "metainfo: ${complaints}")
endif()

# Errors fail; warnings are shown.
execute_process(COMMAND lintian --fail-on error --tag-display-limit 0 ${deb}
                RESULT_VARIABLE clean OUTPUT_VARIABLE verdict ERROR_VARIABLE verdict)
message(STATUS "lintian:\n${verdict}")
if(NOT clean EQUAL 0)
  message(SEND_ERROR "lintian reports errors")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
