# The browser build: WebAssembly through Debian's emscripten. The libraries are
# looked up only in TESSAVIN_WEB_PREFIX (built by scripts/web) and in
# emscripten's own system folder.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

if(NOT TESSAVIN_WEB_PREFIX)
  if(DEFINED ENV{XDG_CACHE_HOME} AND NOT "$ENV{XDG_CACHE_HOME}" STREQUAL "")
    set(TESSAVIN_WEB_PREFIX "$ENV{XDG_CACHE_HOME}/tessavin/web-deps/prefix")
  else()
    set(TESSAVIN_WEB_PREFIX "$ENV{HOME}/.cache/tessavin/web-deps/prefix")
  endif()
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TESSAVIN_WEB_PREFIX)

# Ours first: emscripten's system folder has an SDL2 package of its own (a
# port it would download).
list(PREPEND CMAKE_FIND_ROOT_PATH ${TESSAVIN_WEB_PREFIX})
set(CMAKE_PREFIX_PATH ${TESSAVIN_WEB_PREFIX})

# pkg-config sees the browser libraries only.
set(ENV{PKG_CONFIG_LIBDIR} "${TESSAVIN_WEB_PREFIX}/lib/pkgconfig:${TESSAVIN_WEB_PREFIX}/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
