# Cross-compiling for Windows x86-64 with Debian's mingw-w64 (posix threads).
# The Windows libraries are looked up only in TESSAVIN_WINDOWS_PREFIX (built by
# scripts/windows into its cache, which it passes) and in the mingw-w64 system
# folder (zlib).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)
set(CMAKE_AR ${triplet}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${triplet}-gcc-ranlib-posix CACHE FILEPATH "")

if(NOT TESSAVIN_WINDOWS_PREFIX)
  if(DEFINED ENV{TESSAVIN_WINDOWS_DEPS})
    set(TESSAVIN_WINDOWS_PREFIX "$ENV{TESSAVIN_WINDOWS_DEPS}/prefix")
  elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(TESSAVIN_WINDOWS_PREFIX "$ENV{XDG_CACHE_HOME}/tessavin/windows-deps/prefix")
  else()
    set(TESSAVIN_WINDOWS_PREFIX "$ENV{HOME}/.cache/tessavin/windows-deps/prefix")
  endif()
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TESSAVIN_WINDOWS_PREFIX)

set(CMAKE_FIND_ROOT_PATH ${TESSAVIN_WINDOWS_PREFIX} /usr/${triplet})
set(CMAKE_PREFIX_PATH ${TESSAVIN_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config sees the Windows .pc files only.
set(ENV{PKG_CONFIG_LIBDIR} "${TESSAVIN_WINDOWS_PREFIX}/lib/pkgconfig:${TESSAVIN_WINDOWS_PREFIX}/share/pkgconfig:/usr/${triplet}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# Tests and build-time tools run under wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
