# SPDX-License-Identifier: GPL-3.0-or-later
# The batch tool: its options, its runs in process and the program itself; Qt's PNG reader
# checks the pictures.
set(batch_test_dir ${CMAKE_CURRENT_LIST_DIR})
find_package(Qt6 6.4 REQUIRED COMPONENTS Gui)

swirlon_add_test(batch_tool_tests
  SOURCES ${batch_test_dir}/batch_options_test.cpp ${batch_test_dir}/batch_run_test.cpp
          ${batch_test_dir}/batch_cli_test.cpp ${batch_test_dir}/image_loader_test.cpp
  LIBS swirlon_batch swirlon_qt_io swirlon_version Qt6::Gui swirlon_movie_probe
  LABEL slow)
target_compile_definitions(batch_tool_tests PRIVATE SWIRLON_BATCH_EXECUTABLE="$<TARGET_FILE:swirlon-batch>")
add_dependencies(batch_tool_tests swirlon-batch)
# Qt's signal keywords would clash with the field bank's slots.
target_compile_definitions(batch_tool_tests PRIVATE QT_NO_KEYWORDS)
# Sanitized builds run a flow some twenty times slower; the long runs are shortened there.
if(SWIRLON_SANITIZE)
  target_compile_definitions(batch_tool_tests PRIVATE SWIRLON_SANITIZED_BUILD)
endif()
