# VORN_SANITIZE builds everything with AddressSanitizer and UndefinedBehaviorSanitizer;
# any undefined behaviour aborts the test that meets it.
# VORN_FUZZ (clang only) adds coverage for libFuzzer and builds the targets in tests/fuzz.
option(VORN_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(VORN_FUZZ "Build the libFuzzer targets (clang; implies VORN_SANITIZE)" OFF)

if(VORN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "VORN_FUZZ needs clang (CXX=clang++)")
  endif()
  set(VORN_SANITIZE ON)
endif()

if(VORN_SANITIZE)
  set(VORN_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
      -fno-omit-frame-pointer)
  add_compile_options(${VORN_SANITIZER_FLAGS})
  add_link_options(${VORN_SANITIZER_FLAGS})
endif()

if(VORN_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
