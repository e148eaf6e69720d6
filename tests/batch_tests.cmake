# SPDX-License-Identifier: GPL-3.0-or-later
# Tests of the batch tool and of the files it reads and writes; Qt's PNG reader checks the pictures.
set(batch_test_dir ${CMAKE_CURRENT_LIST_DIR})
find_package(Qt6 6.4 REQUIRED COMPONENTS Gui)

swirlon_add_test(batch_file_tests
  SOURCES ${batch_test_dir}/png_writer_test.cpp ${batch_test_dir}/npy_test.cpp ${batch_test_dir}/presets_test.cpp
  LIBS swirlon_field_io Qt6::Gui)

swirlon_add_test(batch_tool_tests
  SOURCES ${batch_test_dir}/batch_options_test.cpp ${batch_test_dir}/batch_run_test.cpp
          ${batch_test_dir}/batch_cli_test.cpp
  LIBS swirlon_batch Qt6::Gui)
target_compile_definitions(batch_tool_tests PRIVATE SWIRLON_BATCH_EXECUTABLE="$<TARGET_FILE:swirlon-batch>")
add_dependencies(batch_tool_tests swirlon-batch)
# Qt's signal keywords would clash with the field bank's slots.
target_compile_definitions(batch_file_tests PRIVATE QT_NO_KEYWORDS)
target_compile_definitions(batch_tool_tests PRIVATE QT_NO_KEYWORDS)
