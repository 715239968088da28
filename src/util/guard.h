// guard.h - what the library must never use, made a compile error.
//
// Every source file of the library includes this header first. From here on
// a use of any name below fails to compile ("attempt to use poisoned ..."):
//   - the heap: no command or utility allocates, except the one 512-byte
//     list of kel_port_vlans_is_equal, whose file defines
//     KEL_GUARD_ALLOCATES before including this header;
//   - unbounded copies and formatting into a buffer of unknown size;
//   - the C library's number parsing, character classes and case folding,
//     which follow the locale: the library reads numbers and classifies
//     characters itself (scan.h, textclass.h), the same in every locale.
// The C library's headers that declare these names are included before the
// names are poisoned, so that including them again later stays harmless.
#pragma once

#include <strings.h>
#include <cctype>
#include <cinttypes>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef KEL_GUARD_ALLOCATES
#pragma GCC poison malloc calloc realloc reallocarray free aligned_alloc posix_memalign memalign valloc \
    pvalloc
#pragma GCC poison strdup strndup new
#endif

#pragma GCC poison strcpy strcat stpcpy sprintf vsprintf gets

#pragma GCC poison sscanf vsscanf scanf fscanf atoi atol atoll atof
#pragma GCC poison strtol strtoul strtoll strtoull strtoimax strtoumax strtod strtof strtold
#pragma GCC poison isalnum isalpha isblank iscntrl isdigit isgraph islower isprint ispunct isspace isupper \
    isxdigit
#pragma GCC poison tolower toupper strcasecmp strncasecmp strcoll strxfrm setlocale
