# SPDX-License-Identifier: GPL-3.0-or-later
# Options and warnings as interface targets: every project target links swirlon_options.

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)
# The libraries go into the Python module, a shared object, as well as into the programs. Without
# semantic interposition the compiler still inlines and calls functions directly as it does for a
# program, so the solver runs as fast in either.
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_library(swirlon_warnings INTERFACE)
target_compile_options(swirlon_warnings INTERFACE -Wall -Wextra -Wshadow -Wnon-virtual-dtor -Wpedantic)
if(SWIRLON_WARNINGS_AS_ERRORS)
  target_compile_options(swirlon_warnings INTERFACE -Werror)
endif()

add_library(swirlon_options INTERFACE)
target_link_libraries(swirlon_options INTERFACE swirlon_warnings)
# No fused multiply-add contraction anywhere: results are the same bit for bit on every
# compiler, flag set and SIMD width.
target_compile_options(swirlon_options INTERFACE -ffp-contract=off -fno-semantic-interposition)
target_include_directories(swirlon_options INTERFACE ${PROJECT_SOURCE_DIR})

if(SWIRLON_SANITIZE)
  target_compile_options(swirlon_options INTERFACE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(swirlon_options INTERFACE -fsanitize=address,undefined)
endif()
