# Tests of the batch tool and of the files it reads and writes.
set(batch_test_dir ${CMAKE_CURRENT_LIST_DIR})

swirlon_add_test(batch_file_tests
  SOURCES ${batch_test_dir}/png_writer_test.cpp ${batch_test_dir}/npy_test.cpp ${batch_test_dir}/presets_test.cpp
  LIBS swirlon_field_io)
