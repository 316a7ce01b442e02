# Packs the build tree into the Debian package, as scripts/package does with a Release
# tree, and checks what it would install: the files, their owner, the fields that come
# from the binaries, the metainfo, and lintian's verdict.
find_program(DPKG dpkg REQUIRED)
find_program(DPKG_DEB dpkg-deb REQUIRED)
find_program(APPSTREAMCLI appstreamcli REQUIRED)
find_program(LINTIAN lintian REQUIRED)

file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CPACK} -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed: ${output}")
endif()
execute_process(COMMAND ${DPKG} --print-architecture OUTPUT_VARIABLE arch
                OUTPUT_STRIP_TRAILING_WHITESPACE)
set(deb ${WORK_DIR}/kestrivane_${VERSION}_${arch}.deb)
if(NOT EXISTS ${deb})
  message(FATAL_ERROR "no ${deb}: ${output}")
endif()

function(control_field name out_var)
  execute_process(COMMAND ${DPKG_DEB} --field ${deb} ${name} OUTPUT_VARIABLE value
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(${out_var} "${value}" PARENT_SCOPE)
endfunction()

foreach(pair "Package=kestrivane" "Version=${VERSION}" "Architecture=${arch}" "Section=web")
  string(REPLACE "=" ";" pair ${pair})
  list(GET pair 0 name)
  list(GET pair 1 expected)
  control_field(${name} value)
  if(NOT value STREQUAL expected)
    message(SEND_ERROR "${name}: '${value}', not '${expected}'")
  endif()
endforeach()

# Versioned, as only the libraries' shlibs files give them.
control_field(Depends depends)
foreach(library libc6 libstdc\\+\\+6 libglib2.0-0 libgtk-3-0 libgtkmm-3.0-1v5
                libwebkit2gtk-4.1-0 libsqlite3-0)
  if(NOT depends MATCHES "(^|, )${library} \\(>= [0-9]")
    message(SEND_ERROR "Depends lacks ${library}: ${depends}")
  endif()
endforeach()

# Exactly these files, owned by root.
set(expected
    usr/bin/kestrivane
    usr/bin/kestrivane-internet-options
    usr/share/applications/kestrivane.desktop
    usr/share/doc/kestrivane/changelog.gz
    usr/share/doc/kestrivane/copyright
    usr/share/icons/hicolor/scalable/apps/kestrivane.svg
    usr/share/man/man1/kestrivane-internet-options.1.gz
    usr/share/man/man1/kestrivane.1.gz
    usr/share/metainfo/example.palvenna.Kestrivane.metainfo.xml)
foreach(size 16 22 24 32 48 64 128)
  list(APPEND expected usr/share/icons/hicolor/${size}x${size}/apps/kestrivane.png)
endforeach()
execute_process(COMMAND ${DPKG_DEB} --contents ${deb} OUTPUT_VARIABLE listing)
string(REPLACE "\n" ";" listing "${listing}")
set(packed)
foreach(line IN LISTS listing)
  if(line MATCHES "^-[^ ]+ ([^ ]+) .* \\./(.+)$")
    list(APPEND packed ${CMAKE_MATCH_2})
    if(NOT CMAKE_MATCH_1 STREQUAL "root/root")
      message(SEND_ERROR "${CMAKE_MATCH_2} is owned by ${CMAKE_MATCH_1}")
    endif()
  endif()
endforeach()
list(SORT expected)
list(SORT packed)
if(NOT packed STREQUAL expected)
  set(missing ${expected})
  list(REMOVE_ITEM missing ${packed})
  set(extra ${packed})
  list(REMOVE_ITEM extra ${expected})
  message(SEND_ERROR "package contents differ; missing: ${missing}; not expected: ${extra}")
endif()

execute_process(COMMAND ${DPKG_DEB} --extract ${deb} ${WORK_DIR}/root)
execute_process(
  COMMAND ${APPSTREAMCLI} validate --no-net
          ${WORK_DIR}/root/usr/share/metainfo/example.palvenna.Kestrivane.metainfo.xml
  RESULT_VARIABLE valid OUTPUT_VARIABLE complaints ERROR_VARIABLE complaints)
if(NOT valid EQUAL 0)
  message(SEND_ERROR "metainfo: ${complaints}")
endif()

# The package's changelog names the version it is packed as.
execute_process(COMMAND ${CMAKE_COMMAND} -E chdir ${WORK_DIR} gzip -dc
                        root/usr/share/doc/kestrivane/changelog.gz OUTPUT_VARIABLE changelog)
if(NOT changelog MATCHES "^kestrivane \\(${VERSION}\\) ")
  message(SEND_ERROR "the changelog's first entry is not ${VERSION}")
endif()

# Errors fail; warnings are shown.
execute_process(COMMAND ${LINTIAN} --fail-on error --tag-display-limit 0 ${deb}
                RESULT_VARIABLE clean OUTPUT_VARIABLE verdict ERROR_VARIABLE verdict)
message(STATUS "lintian:\n${verdict}")
if(NOT clean EQUAL 0)
  message(SEND_ERROR "lintian reports errors")
endif()

file(REMOVE_RECURSE ${WORK_DIR})
message(STATUS "package holds")
