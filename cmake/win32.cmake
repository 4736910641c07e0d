# The Win32 layer: zarn.exe's sources apart from the portable core.
set(ZARN_WIN32_SOURCES
  back_buffer.cpp
  clock_window.cpp
  clock_window_dpi.cpp
  clock_window_geometry.cpp
  common_dialogs.cpp
  constants_check.cpp
  dpi.cpp
  main.cpp
  monitor_placement.cpp
  picture.cpp
  properties_window.cpp
  single_clock.cpp
  system_error.cpp
  tick_timer.cpp
  win32_platform.cpp
  window_base.cpp)
list(TRANSFORM ZARN_WIN32_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/src/win32/)

# The options of every program built for Windows: zarn.exe, the end-to-end driver, the
# bench's floor and probe. Wide-character Win32 calls, the headers' lean form, no min/max
# macros, the API of Windows 7 (the oldest system the manifest declares), and a program
# linked statically against the compiler's runtime that starts at wWinMain or wmain. The
# definitions also make the clang-tidy run's compilation database.
add_library(zarn_win32_options INTERFACE)
target_compile_definitions(zarn_win32_options INTERFACE
  UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
target_link_options(zarn_win32_options INTERFACE -static -municode)

# The Win32 layer is checked by clang-tidy as the 64-bit mingw compiler sees it: clang's
# mingw target, the program's own definitions and that compiler's C++ library headers
# (clang finds the mingw C headers itself, but not the C++ ones).

function(zarn_add_win32_clang_tidy_test)
  find_program(ZARN_MINGW64_CXX x86_64-w64-mingw32-g++)
  if(NOT ZARN_MINGW64_CXX)
    message(STATUS "x86_64-w64-mingw32-g++ not found: no clang-tidy run over src/win32")
    return()
  endif()
  execute_process(COMMAND ${ZARN_MINGW64_CXX} -xc++ -E -v -
                  INPUT_FILE /dev/null OUTPUT_QUIET ERROR_VARIABLE search)
  string(REGEX MATCH "#include <\\.\\.\\.> search starts here:\n(.*)End of search list" _ "${search}")
  string(REGEX MATCHALL "[^ \n]+" directories "${CMAKE_MATCH_1}")
  set(arguments --target=x86_64-w64-mingw32 -std=c++20 -I${CMAKE_SOURCE_DIR}/src)
  get_target_property(definitions zarn_win32_options INTERFACE_COMPILE_DEFINITIONS)
  foreach(definition IN LISTS definitions)
    list(APPEND arguments -D${definition})
  endforeach()
  # Only the C++ library: the compiler's own intrinsics headers are gcc's, not clang's.
  foreach(directory IN LISTS directories)
    if(directory MATCHES "/c\\+\\+")
      list(APPEND arguments -isystem ${directory})
    endif()
  endforeach()
  set(sources ${ZARN_WIN32_SOURCES})

  # A compilation database of its own, so that the files can be checked two at a time.
  set(database ${CMAKE_BINARY_DIR}/win32-lint)
  list(JOIN arguments " " flags)
  set(entries "")
  foreach(source IN LISTS sources)
    list(APPEND entries
      "{\"directory\": \"${database}\", \"file\": \"${source}\", \"command\": \"clang++ ${flags} -c ${source}\"}")
  endforeach()
  list(JOIN entries ",\n" entries)
  file(WRITE ${database}/compile_commands.json "[\n${entries}\n]\n")
  list(JOIN sources "\n" lines)
  file(WRITE ${database}/sources.txt "${lines}\n")
  add_test(NAME lint.clang-tidy-win32
    COMMAND xargs -a ${database}/sources.txt -P 2 -n 1 ${CLANG_TIDY} -p ${database} --quiet)
endfunction()
