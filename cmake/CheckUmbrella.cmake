# Fails when a public header of the core is missing from the umbrella header clavenor.h. The
# internal helpers under detail/ folders are not public: the umbrella must not include them.
file(READ ${SRC}/clavenor/clavenor.h umbrella)
file(GLOB_RECURSE headers RELATIVE ${SRC} ${SRC}/clavenor/*.h)
set(missing)
set(internal)
foreach(h IN LISTS headers)
  string(FIND "${umbrella}" "\"${h}\"" at)
  if(h MATCHES "/detail/")
    if(NOT at EQUAL -1)
      list(APPEND internal ${h})
    endif()
  # The interchange library's headers belong to that library, not to the core's umbrella.
  elseif(NOT h STREQUAL "clavenor/clavenor.h" AND NOT h MATCHES "^clavenor/interchange/"
         AND at EQUAL -1)
    list(APPEND missing ${h})
  endif()
endforeach()
if(missing)
  message(FATAL_ERROR "clavenor.h does not include: ${missing}")
endif()
if(internal)
  message(FATAL_ERROR "clavenor.h includes internal headers: ${internal}")
endif()
