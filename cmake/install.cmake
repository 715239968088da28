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
# the launcher where).
if(KEL_BUILD_SIM)
  install(TARGETS kelsim kelsim_interposer
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT kelsim
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/kelsim COMPONENT kelsim)
endif()
if(KEL_BUILD_TOOLS)
  install(TARGETS kelctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT kelctl)
endif()
