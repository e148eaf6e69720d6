# SPDX-License-Identifier: GPL-3.0-or-later
# How both front ends word file errors: the window in Japanese, swirlon-batch in English.
swirlon_add_test(file_error_text_tests
  SOURCES file_error_text_test.cpp
  LIBS swirlon_app swirlon_messages)
