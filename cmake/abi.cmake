# abi.cmake - the ABI guard (abi/abi.sh, libabigail) in the build:
#   abi-update     target: writes abi/libkel.so.1-<processor>.abi anew from
#                  the built library, when a change of the ABI is intended
#   library_abi    test: the built library against that baseline
#   abi_guard      test: the check fails on copies of the library that break
#                  the ABI (a function removed, a record changed) and passes
#                  one that only adds a function
# Only for builds whose library carries debug information (-g), when abidw
# is installed.
set(KEL_ABI_BASELINE ${PROJECT_SOURCE_DIR}/abi/libkel.so.1-${CMAKE_SYSTEM_PROCESSOR}.abi)
find_program(KEL_ABIDIFF abidiff)
string(TOUPPER "${CMAKE_BUILD_TYPE}" KEL_BUILD_TYPE_UC)
if(NOT KEL_ABIDIFF OR NOT "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${KEL_BUILD_TYPE_UC}}" MATCHES "(^| )-g")
  message(STATUS "ABI check off: needs abidiff (Debian: abigail-tools) and a build with -g")
  return()
endif()

add_custom_target(abi-update
  COMMAND bash ${PROJECT_SOURCE_DIR}/abi/abi.sh update ${KEL_ABI_BASELINE} $<TARGET_FILE:kel>
  DEPENDS kel VERBATIM)
if(NOT KEL_BUILD_TESTS)
  return()
endif()
add_test(NAME library_abi COMMAND bash ${PROJECT_SOURCE_DIR}/abi/abi.sh check ${KEL_ABI_BASELINE} $<TARGET_FILE:kel>)

# kel_abi_copy(NAME VERSION-SCRIPT OBJECTS...): a copy of libkel.so linked
# as the library is, from the objects given.
function(kel_abi_copy name map)
  add_library(${name} SHARED ${ARGN})
  set_target_properties(${name} PROPERTIES LINKER_LANGUAGE C NO_SONAME ON
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/abi)
  target_link_options(${name} PRIVATE -static-libgcc -Wl,-soname,libkel.so.1 -Wl,--version-script=${map}
    -B${CMAKE_BINARY_DIR}/src/lld/ -fuse-ld=lld)
endfunction()

set(KEL_ABI_DIR ${CMAKE_CURRENT_BINARY_DIR}/abi)
# A function removed: kel_vlan_create local.
file(WRITE ${KEL_ABI_DIR}/removed.map "KEL_1.0 { global: kel_*; crc_table; local: kel_vlan_create; *; };\n")
kel_abi_copy(kel_abi_removed ${KEL_ABI_DIR}/removed.map $<TARGET_OBJECTS:kel_objects>)
# A function added.
file(WRITE ${KEL_ABI_DIR}/added.c "int kel_abi_added(void);\nint kel_abi_added(void) { return 0; }\n")
kel_abi_copy(kel_abi_added ${PROJECT_SOURCE_DIR}/src/libkel.map $<TARGET_OBJECTS:kel_objects> ${KEL_ABI_DIR}/added.c)
# A record changed: the code of kel_errtext (the type of kel_error) widened
# to 64 bits, in a copy of kel.h that the table's source is built against.
file(READ ${PROJECT_SOURCE_DIR}/include/kel.h header)
string(REPLACE "typedef struct kel_errtext {\n    int32_t code;" "typedef struct kel_errtext {\n    int64_t code;"
       changed "${header}")
if(changed STREQUAL header)
  message(FATAL_ERROR "abi.cmake: kel_errtext no longer starts with 'int32_t code;': change the ABI guard's test")
endif()
file(WRITE ${KEL_ABI_DIR}/include/kel.h "${changed}")
add_library(kel_abi_errors OBJECT ${PROJECT_SOURCE_DIR}/src/io/errors.cpp)
target_include_directories(kel_abi_errors BEFORE PRIVATE ${KEL_ABI_DIR}/include)
target_include_directories(kel_abi_errors PRIVATE $<TARGET_PROPERTY:kel_objects,INCLUDE_DIRECTORIES>)
target_compile_options(kel_abi_errors PRIVATE $<TARGET_PROPERTY:kel_objects,COMPILE_OPTIONS>)
kel_abi_copy(kel_abi_changed ${PROJECT_SOURCE_DIR}/src/libkel.map
  $<FILTER:$<TARGET_OBJECTS:kel_objects>,EXCLUDE,/errors\\.cpp\\.o$> $<TARGET_OBJECTS:kel_abi_errors>)

add_test(NAME abi_guard
  COMMAND bash ${PROJECT_SOURCE_DIR}/tests/abi_guard.sh ${PROJECT_SOURCE_DIR}/abi/abi.sh $<TARGET_FILE:kel>
          $<TARGET_FILE:kel_abi_removed> $<TARGET_FILE:kel_abi_changed> $<TARGET_FILE:kel_abi_added>)
