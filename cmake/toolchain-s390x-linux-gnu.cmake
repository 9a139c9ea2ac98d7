# Cross toolchain: 64-bit big-endian IBM Z Linux, Debian cross packages. Unlike the ppc64 one it
# also searches the build machine's own tree, where Debian's multiarch packages for s390x
# (dpkg --add-architecture s390x; libiscsi-dev:s390x) put their libraries under
# /usr/lib/s390x-linux-gnu beside the native ones, and their headers in /usr/include.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR s390x)

set(S390X_TRIPLE s390x-linux-gnu)
set(CMAKE_C_COMPILER   ${S390X_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${S390X_TRIPLE}-g++)
# Only the s390x directory of each lib/<architecture>, never the build machine's own.
set(CMAKE_LIBRARY_ARCHITECTURE ${S390X_TRIPLE})

# Where Debian's libc6-s390x-cross / libstdc++6-s390x-cross put the target runtime, then the
# multiarch tree.
set(CMAKE_FIND_ROOT_PATH /usr/${S390X_TRIPLE} /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Used by add_test()/ctest and by gtest_discover_tests() to run target binaries. No -L: the
# program loads the multiarch runtime (libc6, libstdc++6, libubsan1 and libiscsi7 for s390x)
# from /lib/s390x-linux-gnu and /usr/lib/s390x-linux-gnu as a native s390x system would.
find_program(QEMU_S390X NAMES qemu-s390x-static qemu-s390x REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_S390X} CACHE STRING "" FORCE)
