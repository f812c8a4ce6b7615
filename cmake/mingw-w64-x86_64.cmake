# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads).
#
# The Qt built by scripts/windows/build-qt.sh is found through NORVAK_QT_PREFIX
# (a cache variable or the environment variable of that name); moc, rcc and
# uic come from Debian's host Qt (qt6-base-dev-tools) through QT_HOST_PATH.
#
#   cmake -S . -B build-win -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#     -DNORVAK_QT_PREFIX=$(scripts/windows/build-qt.sh --print)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(_norvak_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_norvak_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_norvak_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_norvak_triple}-windres)

if(NOT NORVAK_QT_PREFIX AND DEFINED ENV{NORVAK_QT_PREFIX})
  set(NORVAK_QT_PREFIX "$ENV{NORVAK_QT_PREFIX}")
endif()
# try_compile projects read this file again; hand the prefix on to them.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES NORVAK_QT_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${_norvak_triple})
if(NORVAK_QT_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH "${NORVAK_QT_PREFIX}")
  list(APPEND CMAKE_PREFIX_PATH "${NORVAK_QT_PREFIX}")
endif()
# Programs run on the build machine; libraries, headers and packages are the target's.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(NOT QT_HOST_PATH)
  set(QT_HOST_PATH /usr CACHE PATH "Qt for the build machine: moc, rcc, uic")
endif()
if(NOT QT_HOST_PATH_CMAKE_DIR)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH
      "CMake packages of the build machine's Qt")
endif()
