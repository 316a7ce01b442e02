# Fails when a source folder includes a header of a layer above it. The engine counts
# as its rooms, lowest first, each a layer of its own; a header of the engine is always
# included by its room.
set(layers
    desktop
    shell
    bookmarks
    sync
    engine/profile
    engine/web_process
    engine/filters
    engine/pages
    engine/downloads
    engine/dialogs
    engine/logins
    engine/requests
    engine/reading
    engine/control
    browser
    page
    favorites
    theme
    about
    session
    app)
set(failed FALSE)

file(GLOB_RECURSE all_sources "${SOURCE_DIR}/src/*.h" "${SOURCE_DIR}/src/*.cpp")
foreach(source ${all_sources})
  file(STRINGS ${source} hits REGEX "#include \"engine/[^/\"]+\"")
  if(hits)
    message(SEND_ERROR "${source} includes from the engine outside its rooms: ${hits}")
    set(failed TRUE)
  endif()
endforeach()
file(GLOB loose "${SOURCE_DIR}/src/engine/*.h" "${SOURCE_DIR}/src/engine/*.cpp")
if(loose)
  message(SEND_ERROR "units of the engine outside its rooms: ${loose}")
  set(failed TRUE)
endif()

list(LENGTH layers count)
math(EXPR last "${count} - 2")
foreach(i RANGE ${last})
  list(GET layers ${i} layer)
  file(GLOB_RECURSE sources "${SOURCE_DIR}/src/${layer}/*.h" "${SOURCE_DIR}/src/${layer}/*.cpp")
  math(EXPR next "${i} + 1")
  math(EXPR top "${last} + 1")
  foreach(j RANGE ${next} ${top})
    list(GET layers ${j} above)
    foreach(source ${sources})
      file(STRINGS ${source} hits REGEX "#include \"${above}/")
      if(hits)
        message(SEND_ERROR "${source} (layer ${layer}) includes from ${above}: ${hits}")
        set(failed TRUE)
      endif()
    endforeach()
  endforeach()
endforeach()
if(failed)
  message(FATAL_ERROR "layering violated")
endif()
message(STATUS "layering holds")
