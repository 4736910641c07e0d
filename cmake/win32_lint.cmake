# The Win32 layer is checked by clang-tidy as the 64-bit mingw compiler sees it: clang's
# mingw target, the program's own definitions and that compiler's C++ library headers
# (clang finds the mingw C headers itself, but not the C++ ones).
set(ZARN_WIN32_DEFINITIONS UNICODE _UNICODE NOMINMAX)

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
  foreach(definition IN LISTS ZARN_WIN32_DEFINITIONS)
    list(APPEND arguments -D${definition})
  endforeach()
  # Only the C++ library: the compiler's own intrinsics headers are gcc's, not clang's.
  foreach(directory IN LISTS directories)
    if(directory MATCHES "/c\\+\\+")
      list(APPEND arguments -isystem ${directory})
    endif()
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/win32/*.cpp)

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
