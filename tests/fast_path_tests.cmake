# SPDX-License-Identifier: GPL-3.0-or-later
swirlon_add_test(fast_path_tests
  SOURCES fast_path_test.cpp
  LIBS swirlon_solver)
