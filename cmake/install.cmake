# Installation: the headers, the library, kel.pc and the CMake package kel::kel.
# kel_driver.h, the layouts of the simulated driver's records, goes beside
# kel.h (it includes it); a hardware driver's header of the same name
# replaces it.
#
# Every rule names its component, the Debian package its files go in
# (cmake/packages.cmake): libkel1 (the shared library), libkel-dev (what
# building against it needs), kelsim, kelctl. What the programs' own folders
# install goes in their program's package without saying so (see
# kel_program_subdirectory in CMakeLists.txt).
include(CMakePackageConfigHelpers)

install(FILES ${PROJECT_SOURCE_DIR}/include/kel.h ${PROJECT_SOURCE_DIR}/driver/kel_driver.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT libkel-dev)
set(KEL_INSTALL_TARGETS kel)
if(KEL_BUILD_STATIC)
  list(APPEND KEL_INSTALL_TARGETS kel_static)
endif()
install(TARGETS ${KEL_INSTALL_TARGETS} EXPORT kelTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libkel1 NAMELINK_COMPONENT libkel-dev
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libkel-dev
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT kelTargets NAMESPACE kel:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/kel COMPONENT libkel-dev)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/kelConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/kelConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/kel)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/kelConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kelConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/kelConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/kel COMPONENT libkel-dev)

# kel.pc finds its prefix from its own place, so the tree can be installed anywhere.
file(RELATIVE_PATH KEL_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
configure_file(${CMAKE_CURRENT_LIST_DIR}/kel.pc.in ${CMAKE_CURRENT_BINARY_DIR}/kel.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kel.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT libkel-dev)

# The interposer is kelsim's own, not a library to link: it lives in a
# folder of kelsim's under the library directory (sim/CMakeLists.txt tells
# the launcher where). Each program's package holds its manual page, and
# kelctl's its bash completion, in bash-completion's completions directory
# (as its pkg-config file names it under this prefix; else
# share/bash-completion/completions).
if(KEL_BUILD_SIM)
  install(TARGETS kelsim kelsim_interposer
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT kelsim
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/kelsim COMPONENT kelsim)
  install(FILES ${PROJECT_SOURCE_DIR}/sim/kelsim.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT kelsim)
endif()
if(KEL_BUILD_TOOLS)
  set(KEL_BASH_COMPLETION_DIR ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
  find_program(KEL_PKG_CONFIG pkg-config)
  if(KEL_PKG_CONFIG)
    execute_process(COMMAND ${KEL_PKG_CONFIG} --define-variable=prefix=${CMAKE_INSTALL_PREFIX}
                            --variable=completionsdir bash-completion
                    OUTPUT_VARIABLE KEL_COMPLETIONS OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(KEL_COMPLETIONS MATCHES "^${CMAKE_INSTALL_PREFIX}/(.+)$")
      set(KEL_BASH_COMPLETION_DIR ${CMAKE_MATCH_1})
    endif()
  endif()
  install(TARGETS kelctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT kelctl)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/kelctl/kelctl.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT kelctl)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/kelctl/kelctl.bash DESTINATION ${KEL_BASH_COMPLETION_DIR}
    RENAME kelctl COMPONENT kelctl)
endif()
