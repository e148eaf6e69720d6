# SPDX-License-Identifier: GPL-3.0-or-later
# The project version once: a generated header for the programs that print or show it.
configure_file(${CMAKE_CURRENT_LIST_DIR}/swirlon_version.h.in ${PROJECT_BINARY_DIR}/generated/swirlon_version.h @ONLY)
add_library(swirlon_version INTERFACE)
target_include_directories(swirlon_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
