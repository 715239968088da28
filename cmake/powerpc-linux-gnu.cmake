# powerpc-linux-gnu.cmake - cross build for the switch's processor: 32-bit
# big-endian PowerPC, with the Debian cross compiler and its libraries in
# /usr/powerpc-linux-gnu (no separate sysroot). Tests run under qemu-ppc,
# which CTest starts through CMAKE_CROSSCOMPILING_EMULATOR.
#
#   cmake -S . -B build-ppc -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/powerpc-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR powerpc)

set(KEL_CROSS_TRIPLE powerpc-linux-gnu)
set(KEL_CROSS_ROOT /usr/${KEL_CROSS_TRIPLE})

set(CMAKE_C_COMPILER ${KEL_CROSS_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${KEL_CROSS_TRIPLE}-g++)

# Look for programs on the build machine, for libraries and headers only
# among the target's.
set(CMAKE_FIND_ROOT_PATH ${KEL_CROSS_ROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-ppc;-L;${KEL_CROSS_ROOT})

# GoogleTest is built from /usr/src/googletest (tests/CMakeLists.txt does
# so whenever it cross-compiles). Google Benchmark has no target build, so
# the benchmarks default to off.
set(KEL_BUILD_BENCH OFF CACHE BOOL "Build the benchmarks (Google Benchmark)")
