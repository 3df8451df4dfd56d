# Per-target compile settings; global flags stay untouched.

function(auslomat_target_settings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4)
    if(AUSLOMAT_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE /WX)
    endif()
  else()
    target_compile_options(${target} PRIVATE
      -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
      -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
      -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough
      # One section per function and object, so that the program's link can
      # drop what it does not use.
      -ffunction-sections -fdata-sections)
    if(AUSLOMAT_WARNINGS_AS_ERRORS)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
  if(WIN32 AND NOT MSVC)
    # Static C and C++ runtimes: the programs run on a bare Windows with
    # nothing installed beside them.
    target_link_options(${target} PRIVATE -static)
  endif()
  if(AUSLOMAT_SANITIZE)
    target_compile_options(${target} PRIVATE
      -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
  if(AUSLOMAT_FUZZ_ENGINE STREQUAL "libFuzzer")
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()
