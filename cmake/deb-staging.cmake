# deb-staging.cmake - run by cpack on the staged files of every package
# before it packs them (CPACK_PRE_BUILD_SCRIPTS), as Debian's tools would:
# manual pages compressed with gzip -9n, a page that only points to
# another (".so man3/kel_port.3") replaced by a symbolic link to it, and
# the debug information stripped from static libraries (the packages'
# programs and shared libraries are stripped by CPACK_STRIP_FILES), and the
# compiler's .comment section removed from every object and ELF file.
file(GLOB_RECURSE files LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")
set(pages ${files})
list(FILTER pages INCLUDE REGEX "/share/man/man[1-9]/[^/]+$")
foreach(page IN LISTS pages)
  if(IS_SYMLINK ${page} OR page MATCHES "\\.gz$")
    continue()
  endif()
  file(READ ${page} text LIMIT 200)
  if(text MATCHES "^\\.so (man[0-9]/)?([^\n ]+)\n?$")
    file(REMOVE ${page})
    file(CREATE_LINK ${CMAKE_MATCH_2}.gz ${page}.gz SYMBOLIC)
  else()
    execute_process(COMMAND gzip -9n ${page} RESULT_VARIABLE rc)
    if(rc)
      message(FATAL_ERROR "gzip failed on ${page}")
    endif()
  endif()
endforeach()

set(archives ${files})
list(FILTER archives INCLUDE REGEX "\\.a$")
foreach(archive IN LISTS archives)
  execute_process(COMMAND ${CPACK_KEL_STRIP} --strip-debug --remove-section=.comment
    --enable-deterministic-archives ${archive} RESULT_VARIABLE rc)
  if(rc)
    message(FATAL_ERROR "${CPACK_KEL_STRIP} failed on ${archive}")
  endif()
endforeach()

set(elves ${files})
list(FILTER elves EXCLUDE REGEX "\\.a$|/share/")
foreach(elf IN LISTS elves)
  if(IS_SYMLINK ${elf})
    continue()
  endif()
  file(READ ${elf} magic LIMIT 4 HEX)
  if(NOT magic STREQUAL "7f454c46")
    continue()
  endif()
  execute_process(COMMAND ${CPACK_KEL_STRIP} --remove-section=.comment ${elf} RESULT_VARIABLE rc)
  if(rc)
    message(FATAL_ERROR "${CPACK_KEL_STRIP} failed on ${elf}")
  endif()
endforeach()
