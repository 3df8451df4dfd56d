# Makes the archive users download, build-download/Auslomat-<version>.zip:
# the 32-bit Windows program, the web page for every other device, the
# German read-me and the licence. From the source folder:
#
#   cmake -P cmake/download.cmake
#
# Builds in build-win32/ (MinGW-w64) and build-web/ (Emscripten), configuring
# each only where it is new, so a page already built and tested there is the
# one that goes into the archive.
cmake_minimum_required(VERSION 3.20)
get_filename_component(source "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(win32 "${source}/build-win32")
set(web "${source}/build-web")
set(out "${source}/build-download")

file(STRINGS "${source}/CMakeLists.txt" version_line REGEX "set\\(AUSLOMAT_VERSION_TEXT")
string(REGEX REPLACE ".*\"([^\"]+)\".*" "\\1" version "${version_line}")

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${source}" RESULT_VARIABLE failed)
  if(failed)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "failed: ${command}")
  endif()
endfunction()

if(NOT EXISTS "${win32}/CMakeCache.txt")
  run(${CMAKE_COMMAND} -S "${source}" -B "${win32}" --toolchain cmake/mingw-w64-i686.cmake
      -DAUSLOMAT_BUILD_TESTS=OFF -DAUSLOMAT_BUILD_BENCH=OFF -DAUSLOMAT_BUILD_FUZZ=OFF)
endif()
run(${CMAKE_COMMAND} --build "${win32}" --target Auslomat)
if(NOT EXISTS "${web}/CMakeCache.txt")
  run(emcmake ${CMAKE_COMMAND} -S "${source}" -B "${web}")
endif()
run(${CMAKE_COMMAND} --build "${web}" --target page)

# The members lie at the top of the archive, as Windows' "Extract all" and
# every other unzipper expect.
set(stage "${out}/Auslomat-${version}")
file(REMOVE_RECURSE "${stage}")
file(COPY "${win32}/app/Auslomat.exe" "${web}/web/Auslomat.html" "${source}/docs/LIESMICH.txt"
     "${source}/LICENSE" DESTINATION "${stage}")
set(zip "${out}/Auslomat-${version}.zip")
file(REMOVE "${zip}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf "${zip}" --format=zip
          Auslomat.exe Auslomat.html LIESMICH.txt LICENSE
  WORKING_DIRECTORY "${stage}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "could not write ${zip}")
endif()
message(STATUS "Wrote ${zip}")
