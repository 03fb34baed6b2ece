# Warnings for our own code only, as an INTERFACE target every target links.
add_library(orvel_warnings INTERFACE)
target_compile_options(orvel_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Werror -Wshadow -Wnon-virtual-dtor -Wold-style-cast
  -Wcast-align -Woverloaded-virtual -Wimplicit-fallthrough)
# GCC 12 at -O3 reports out-of-bounds and overlapping copies inside std::string's own inlined
# code for ordinary string building (GCC bugs 105329 and 105651). The sanitizer build checks
# the real thing.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(orvel_warnings INTERFACE
    -Wno-restrict -Wno-array-bounds -Wno-stringop-overflow -Wno-stringop-overread)
endif()
