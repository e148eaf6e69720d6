# SPDX-License-Identifier: GPL-3.0-or-later
find_package(Qt6 6.4 REQUIRED COMPONENTS Widgets Test)

swirlon_add_test(app_tests
  SOURCES app_test_support.cpp app_test_support.h app_frame_test.cpp app_run_loop_test.cpp
          app_picture_test.cpp app_load_test.cpp app_watch_test.cpp app_plots_test.cpp app_files_test.cpp
          app_stir_test.cpp
  LIBS swirlon_app swirlon_batch Qt6::Test swirlon_movie_probe
  LABEL gui)
target_compile_definitions(app_tests PRIVATE SWIRLON_WINDOW_EXECUTABLE="$<TARGET_FILE:swirlon>")
add_dependencies(app_tests swirlon)
