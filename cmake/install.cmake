# Installation: the headers, the library, kel.pc and the CMake package kel::kel.
# kel_driver.h, the layouts of the simulated driver's records, goes beside
# kel.h (it includes it); a hardware driver's header of the same name
# replaces it.
include(CMakePackageConfigHelpers)

install(FILES ${PROJECT_SOURCE_DIR}/include/kel.h ${PROJECT_SOURCE_DIR}/driver/kel_driver.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
set(KEL_INSTALL_TARGETS kel)
if(KEL_BUILD_STATIC)
  list(APPEND KEL_INSTALL_TARGETS kel_static)
endif()
install(TARGETS ${KEL_INSTALL_TARGETS} EXPORT kelTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT kelTargets NAMESPACE kel:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/kel)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/kelConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/kelConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/kel)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/kelConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kelConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/kelConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/kel)

# kel.pc finds its prefix from its own place, so the tree can be installed anywhere.
file(RELATIVE_PATH KEL_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
configure_file(${CMAKE_CURRENT_LIST_DIR}/kel.pc.in ${CMAKE_CURRENT_BINARY_DIR}/kel.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kel.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

if(KEL_BUILD_SIM)
  install(TARGETS kelsim kelsim_interposer
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
if(KEL_BUILD_TOOLS)
  install(TARGETS kelctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
