# packages.cmake - the Debian packages, built by CPack from the install rules
# (cpack --preset release, cpack --preset release-ppc; tests/release.sh
# checks them). Each package is a component of the install rules: a rule
# puts its files in a package by naming it as COMPONENT, and the rules of a
# program's folder name none (kel_program_subdirectory in CMakeLists.txt).
# A new package is one more kel_deb call below; a new file of a package is
# its install rule alone.
#
# The architecture is set from the target's processor, never asked of the
# build machine: the cross build makes powerpc packages. Depends on other
# distribution packages come from dpkg-shlibdeps for a native build; for a
# cross build, whose libraries dpkg-shlibdeps cannot see, they are kel_deb's
# last argument, written by hand and checked against what the binaries need
# by tests/check_debs.sh.
#
# Native packages (made by the project itself, from its own pkg/): the
# version is the project's, without a Debian revision.
set(KEL_DEB_VERSION ${PROJECT_VERSION})
set(KEL_DEB_MAINTAINER "libkel maintainers <maintainers@users.noreply.c-seed-44dececd.example>")

if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64)$")
  set(KEL_DEB_ARCH amd64)
elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^(powerpc|ppc)$")
  set(KEL_DEB_ARCH powerpc)
else()
  set(KEL_DEB_ARCH ${CMAKE_SYSTEM_PROCESSOR})
endif()

# The build's date for every timestamp in the packages and the generated
# manual pages: SOURCE_DATE_EPOCH when set, else the last commit's time.
set(KEL_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
if(NOT KEL_SOURCE_DATE_EPOCH)
  execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} log -1 --format=%ct
    OUTPUT_VARIABLE KEL_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
if(NOT KEL_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  file(TIMESTAMP ${PROJECT_SOURCE_DIR}/pkg/changelog KEL_SOURCE_DATE_EPOCH "%s" UTC)
endif()

# The changelog, compressed once, reproducibly (no name, no time).
set(KEL_DEB_CHANGELOG ${CMAKE_CURRENT_BINARY_DIR}/pkg/changelog.gz)
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/pkg)
execute_process(COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/pkg/changelog
  OUTPUT_FILE ${KEL_DEB_CHANGELOG} RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "gzip failed on pkg/changelog")
endif()

set(KEL_DEB_PACKAGES "")
# kel_deb(NAME SECTION SUMMARY DESCRIPTION DEPENDS CROSS-DEPENDS): one
# package, the component NAME. DEPENDS names the packages of this project
# it needs; CROSS-DEPENDS the distribution's, for a cross build.
function(kel_deb name section summary description depends cross_depends)
  string(TOUPPER ${name} c)
  set(CPACK_DEBIAN_${c}_PACKAGE_NAME ${name} PARENT_SCOPE)
  set(CPACK_DEBIAN_${c}_PACKAGE_SECTION ${section} PARENT_SCOPE)
  # The long description in lines of at most 79 characters.
  string(REGEX REPLACE "[ ]+" ";" words "${description}")
  set(text "${summary}")
  set(line "")
  foreach(word IN LISTS words)
    string(LENGTH "${line} ${word}" n)
    if(line AND n GREATER 78)
      string(APPEND text "\n${line}")
      set(line "${word}")
    elseif(line)
      string(APPEND line " ${word}")
    else()
      set(line "${word}")
    endif()
  endforeach()
  set(CPACK_DEBIAN_${c}_DESCRIPTION "${text}\n${line}" PARENT_SCOPE)
  if(CMAKE_CROSSCOMPILING)
    string(JOIN ", " depends ${depends} ${cross_depends})
  else()
    set(CPACK_DEBIAN_${c}_PACKAGE_SHLIBDEPS ON PARENT_SCOPE)
  endif()
  set(CPACK_DEBIAN_${c}_PACKAGE_DEPENDS "${depends}" PARENT_SCOPE)
  set(KEL_DEB_PACKAGES ${KEL_DEB_PACKAGES} ${name} PARENT_SCOPE)
  install(FILES ${PROJECT_SOURCE_DIR}/pkg/copyright ${KEL_DEB_CHANGELOG}
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${name} COMPONENT ${name})
endfunction()

set(KEL_NEEDS_LIBKEL "libkel1 (>= ${KEL_DEB_VERSION})")
set(KEL_CROSS_C "libc6 (>= 2.4)")
set(KEL_CROSS_CXX "libc6 (>= 2.34), libgcc-s1 (>= 3.4), libstdc++6 (>= 11)")
kel_deb(libkel1 libs "programming interface of a managed, stackable Ethernet switch"
  "libkel is the C library that management programs (a command shell, a web server, an SNMP agent) call to read and change the switching hardware; every command becomes one request to the switch driver. This package holds the shared library libkel.so.1."
  "" "${KEL_CROSS_C}")
kel_deb(libkel-dev libdevel "programming interface of a managed Ethernet switch - development files"
  "The header kel.h with every function's contract, the driver's record layouts (kel_driver.h), the static library, a pkg-config file (kel), a CMake package (find_package(kel)) and the manual pages of the interface, one per family of functions."
  "libkel1 (= ${KEL_DEB_VERSION})" "")
if(TARGET kelsim)
  # kelsim converts unsigned 64-bit integers to double: on 32-bit powerpc
  # that is libgcc_s's __floatundidf, of version GCC_4.2.0.
  string(REPLACE "libgcc-s1 (>= 3.4)" "libgcc-s1 (>= 4.2.0)" KEL_CROSS_KELSIM "${KEL_CROSS_CXX}")
  if(NOT KELSIM_ATOMICS_INLINE)
    string(APPEND KEL_CROSS_KELSIM ", libatomic1 (>= 4.8)")  # sim/CMakeLists.txt
  endif()
  kel_deb(kelsim devel "simulated switch driver for programs on libkel"
    "kelsim runs any program against a simulated switch (kelsim -- PROGRAM): the program's requests to the switch driver are answered by a model of the switch, so that management programs can be developed and tested on a workstation without the hardware."
    "" "${KEL_CROSS_KELSIM}")
  # The dataplane makes its ports' interfaces through rtnetlink and runs no
  # program; ip makes the named namespaces that --netns enters.
  set(CPACK_DEBIAN_KELSIM_PACKAGE_SUGGESTS iproute2)
endif()
if(TARGET kelctl)
  kel_deb(kelctl admin "management tool for a switch on libkel"
    "kelctl shows and changes the switch's ports, VLANs, address tables, trunks, spanning tree, 802.1X, access lists and more through libkel, on the switch itself or under kelsim. It prints tables as text or JSON, runs batches of commands, and writes the running configuration back as commands; bash completion included."
    "${KEL_NEEDS_LIBKEL}" "${KEL_CROSS_CXX}")
endif()
if(TARGET kelsnmpd)
  kel_deb(kelsnmpd net "SNMP agent for a switch on libkel"
    "kelsnmpd is an AgentX subagent of net-snmp's snmpd: it serves the switch's interface, bridge, VLAN, spanning-tree, link-aggregation and 802.1X MIB objects through libkel."
    "${KEL_NEEDS_LIBKEL}" "")
  set(CPACK_DEBIAN_KELSNMPD_PACKAGE_RECOMMENDS snmpd)
endif()

# The shared library's package: shlibs, symbols (one line per version
# node) and the ldconfig trigger.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_LIBKEL1_PACKAGE_CONTROL_EXTRA
  ${PROJECT_SOURCE_DIR}/pkg/libkel1/symbols ${PROJECT_SOURCE_DIR}/pkg/libkel1/triggers)
set(CPACK_DEBIAN_LIBKEL1_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")  # each package has its own
set(CPACK_KEL_STRIP ${CMAKE_STRIP})
set(CPACK_PACKAGE_NAME kel)
set(CPACK_PACKAGE_VERSION ${KEL_DEB_VERSION})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${KEL_DEB_PACKAGES})
set(CPACK_DEBIAN_PACKAGE_VERSION ${KEL_DEB_VERSION})
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${KEL_DEB_ARCH})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KEL_DEB_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/src)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/deb-staging.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/deb-finish.cmake)
# Read by cpack before it builds: the date for the packages' timestamps.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/pkg/cpack-options.cmake
  "set(ENV{SOURCE_DATE_EPOCH} ${KEL_SOURCE_DATE_EPOCH})\n")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/pkg/cpack-options.cmake)
include(CPack)
