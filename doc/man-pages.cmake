# man-pages.cmake - tidies Doxygen's manual pages in DIR:
#   - of the pages that only point to another (".so man3/kel_port.3"), those
#     of the interface's names stay (kel_port_speed_set(3) leads to its
#     family's page), those of a record's fields go (no "unit" or "port"
#     page in section 3);
#   - a text line that begins with a quote (Doxygen writes "sw0" as 'sw0')
#     gets a leading \& so that roff does not read it as a request.
#   cmake -DDIR=doc/man/man3 -P man-pages.cmake
file(GLOB pages ${DIR}/*.3)
foreach(page IN LISTS pages)
  get_filename_component(name ${page} NAME_WE)
  file(READ ${page} text)
  if(text MATCHES "^\\.so ")
    if(NOT name MATCHES "^(kel_|KEL_|crc_table$)")
      file(REMOVE ${page})
    endif()
    continue()
  endif()
  string(REPLACE "\n'" "\n\\&'" fixed "${text}")
  if(NOT fixed STREQUAL text)
    file(WRITE ${page} "${fixed}")
  endif()
endforeach()
