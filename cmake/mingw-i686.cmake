# Cross-compiles the 32-bit Windows program with mingw-w64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZARN_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${ZARN_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${ZARN_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${ZARN_MINGW_TRIPLE}-windres)
# Doubles are computed in SSE2 registers, as on 64-bit: the x87 unit keeps 64-bit
# mantissas between steps, so an exact half in the hand geometry could round the other way
# and the two builds would draw different pixels. Every processor Windows 8 and later runs
# on has SSE2. Given as compile options rather than initial flags, so that a build folder
# configured before keeps no x87 arithmetic from its cache.
add_compile_options(-msse2 -mfpmath=sse)
set(CMAKE_FIND_ROOT_PATH /usr/${ZARN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
