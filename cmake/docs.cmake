# docs.cmake - the API reference (doc/Doxyfile.in): `doc` builds
# doc/html/index.html and doc/man/man3 from the contracts in kel.h with
# Doxygen, every warning an error; the manual pages go in libkel-dev.
# Built by default where KEL_BUILD_DOCS is on (the release presets).
option(KEL_BUILD_DOCS "Build the API reference (HTML and manual pages) with Doxygen" OFF)
set(KEL_DOC_DIR ${CMAKE_BINARY_DIR}/doc)
configure_file(${PROJECT_SOURCE_DIR}/doc/Doxyfile.in ${KEL_DOC_DIR}/Doxyfile @ONLY)
find_program(KEL_DOXYGEN doxygen)
if(NOT KEL_DOXYGEN)
  if(KEL_BUILD_DOCS)
    message(FATAL_ERROR "doxygen not found; the API reference needs it: sudo apt-get install doxygen")
  endif()
  return()
endif()
if(KEL_BUILD_DOCS)
  set(all ALL)
endif()
add_custom_command(OUTPUT ${KEL_DOC_DIR}/stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${KEL_DOC_DIR}/html ${KEL_DOC_DIR}/man
  COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${KEL_SOURCE_DATE_EPOCH} ${KEL_DOXYGEN} ${KEL_DOC_DIR}/Doxyfile
  COMMAND ${CMAKE_COMMAND} -DDIR=${KEL_DOC_DIR}/man/man3 -P ${PROJECT_SOURCE_DIR}/doc/man-pages.cmake
  COMMAND ${CMAKE_COMMAND} -E touch ${KEL_DOC_DIR}/stamp
  DEPENDS ${PROJECT_SOURCE_DIR}/include/kel.h ${KEL_DOC_DIR}/Doxyfile ${PROJECT_SOURCE_DIR}/doc/man-pages.cmake
  COMMENT "API reference: doc/html and doc/man from kel.h" VERBATIM)
add_custom_target(doc ${all} DEPENDS ${KEL_DOC_DIR}/stamp)
if(KEL_BUILD_DOCS)
  install(DIRECTORY ${KEL_DOC_DIR}/man/man3/ DESTINATION ${CMAKE_INSTALL_MANDIR}/man3 COMPONENT libkel-dev)
endif()
