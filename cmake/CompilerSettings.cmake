# Warnings, character set and sanitizer settings shared by every target of the project.

add_library(project_options INTERFACE)
target_compile_options(project_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual
  -Wimplicit-fallthrough -Wformat=2
  # Pixel and blend arithmetic is specified bit-exactly: no fused multiply-add behind our back.
  -ffp-contract=off)
if(ENGINE_WERROR)
  target_compile_options(project_options INTERFACE -Werror)
endif()

# Engine text is CP932. g++ turns narrow literals into CP932 bytes (0x5C stays a backslash);
# clang has no CP932 converter, so clang builds (fuzzers) keep UTF-8 literals.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # //TRANSLIT lets the few library literals without a CP932 form (such as the micro sign in <chrono>) through.
  target_compile_options(project_options INTERFACE -fexec-charset=CP932//TRANSLIT)
endif()

if(ENGINE_SANITIZE)
  target_compile_options(project_options INTERFACE -fsanitize=${ENGINE_SANITIZE} -fno-omit-frame-pointer
                                                   -fno-sanitize-recover=all)
  target_link_options(project_options INTERFACE -fsanitize=${ENGINE_SANITIZE})
  # GCC 12's flow-based warnings misfire on standard-library code inlined under the sanitizers' instrumentation
  # (std::string's operator+, std::regex, ...); the optimised build keeps them as errors.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(project_options INTERFACE -Wno-maybe-uninitialized -Wno-array-bounds -Wno-stringop-overflow
                                                     -Wno-stringop-overread)
  endif()
endif()

if(ENGINE_BUILD_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "ENGINE_BUILD_FUZZ needs clang (libFuzzer)")
  endif()
  # Every UBSan report stops the run as a finding. ENGINE_FUZZ_BUILD relaxes checks that would keep mutated
  # inputs from reaching the code behind them (the PNG library's CRCs).
  target_compile_options(project_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined
                                                   -fno-sanitize-recover=all)
  target_compile_definitions(project_options INTERFACE ENGINE_FUZZ_BUILD=1)
  target_link_options(project_options INTERFACE -fsanitize=address,undefined)
endif()

# Adds every *.cpp under the given directories (recursively) to a target. Each directory owns its files; adding a
# source needs no edit here.
function(target_glob_sources target)
  foreach(dir IN LISTS ARGN)
    file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
    target_sources(${target} PRIVATE ${srcs})
  endforeach()
endfunction()
