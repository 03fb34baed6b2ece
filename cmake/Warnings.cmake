# Warnings for our own code only, as an INTERFACE target every target links.
add_library(orvel_warnings INTERFACE)
target_compile_options(orvel_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Werror -Wshadow -Wnon-virtual-dtor -Wold-style-cast
  -Wcast-align -Woverloaded-virtual -Wimplicit-fallthrough)
