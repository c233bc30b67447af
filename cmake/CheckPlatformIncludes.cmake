# Engine and game code reach the platform only through each concern's stand-in header (platform/audio/audio.h,
# platform/display/ddraw.h, ...), never through a back-end file. Back-end files are named for their back-end:
# headless_*, sdl_*, and for the layers to come gl_*, egl_*, ffmpeg_*, fluidsynth_*. Including a .cpp is refused too.
#
# Runs at configure time (the top-level CMakeLists.txt calls check_platform_includes) and as the ctest test
# platform_layering: cmake -DSOURCE_ROOT=<tree> -P CheckPlatformIncludes.cmake. Fails naming every offending file.

function(check_platform_includes root)
  file(GLOB_RECURSE sources ${root}/engine/*.cpp ${root}/engine/*.h ${root}/game/*.cpp ${root}/game/*.h)
  set(backend_include "platform/[A-Za-z0-9_]+/(headless|sdl|gl|egl|ffmpeg|fluidsynth)_[^\"/>]*|platform/[^\">]*\\.cpp")
  set(offences "")
  foreach(source IN LISTS sources)
    file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]platform/")
    foreach(line IN LISTS lines)
      if(line MATCHES "${backend_include}")
        file(RELATIVE_PATH relative ${root} ${source})
        string(APPEND offences "\n  ${relative} includes ${CMAKE_MATCH_0}")
      endif()
    endforeach()
  endforeach()
  if(offences)
    message(FATAL_ERROR "Engine and game files may include only the platform's stand-in headers, not a back-end "
                        "file (headless_*, sdl_*, ...) or a .cpp:${offences}")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  if(NOT SOURCE_ROOT)
    message(FATAL_ERROR "usage: cmake -DSOURCE_ROOT=<source tree> -P CheckPlatformIncludes.cmake")
  endif()
  check_platform_includes(${SOURCE_ROOT})
endif()
