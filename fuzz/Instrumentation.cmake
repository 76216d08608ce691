# Included before the libraries are defined: everything the drivers link is
# built with coverage for libFuzzer and with AddressSanitizer and
# UndefinedBehaviorSanitizer; any undefined behaviour stops the run.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "ZORAVEL_FUZZ needs clang (CXX=clang++), not ${CMAKE_CXX_COMPILER_ID}")
endif()

set(ZORAVEL_SANITIZERS "address,undefined")
add_compile_options(-fsanitize=fuzzer-no-link,${ZORAVEL_SANITIZERS} -fno-sanitize-recover=all
                    -fno-omit-frame-pointer)
add_link_options(-fsanitize=${ZORAVEL_SANITIZERS})
# The precompiled headers are made for g++; clang builds without them here.
set(CMAKE_DISABLE_PRECOMPILE_HEADERS ON)
