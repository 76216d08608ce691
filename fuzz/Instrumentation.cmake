# Included before the libraries are defined, in the sanitizer build: every
# target is also compiled with libFuzzer's coverage (fuzzer-no-link), which the
# sanitizer runtime answers on its own in the test binaries, and only the
# drivers link libFuzzer itself (fuzz/CMakeLists.txt).
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "ZORAVEL_FUZZ needs clang (CXX=clang++), not ${CMAKE_CXX_COMPILER_ID}")
endif()
if(NOT ZORAVEL_SANITIZE)
  message(FATAL_ERROR "ZORAVEL_FUZZ goes with ZORAVEL_SANITIZE: the drivers share the sanitizer build")
endif()
add_compile_options(-fsanitize=fuzzer-no-link)
