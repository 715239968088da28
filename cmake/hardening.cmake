# hardening.cmake - every binary built as a distribution builds it:
#   - programs are position-independent executables (PIE), objects PIC;
#   - -fstack-protector-strong and -fstack-clash-protection;
#   - _FORTIFY_SOURCE=2 where the build optimises (it needs -O) and no
#     sanitizer runs (they check the same and more, and clash with it);
#   - RELRO and immediate binding (-z relro -z now): the relocated tables
#     turn read-only before the program runs;
#   - no executable stack (-z noexecstack).
# tests/check_hardening.sh reads each property back from the built files.
option(KEL_HARDEN "Build hardened binaries (PIE, stack protector, fortify, RELRO, BIND_NOW)" ON)
if(NOT KEL_HARDEN)
  return()
endif()

include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_compile_options(-fstack-protector-strong -fstack-clash-protection)
if(NOT KEL_SANITIZE AND NOT KEL_BUILD_FUZZ)
  add_compile_options($<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE> $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
  set(KEL_FORTIFIED $<NOT:$<CONFIG:Debug>>)
else()
  set(KEL_FORTIFIED 0)
endif()
add_link_options(LINKER:-z,relro LINKER:-z,now LINKER:-z,noexecstack)
