# SPDX-License-Identifier: GPL-3.0-or-later
# The files and pictures: the BMP loader, the pictures, PNG and .npy files and the presets;
# every build replays the loader's fuzz seed corpus too. Qt's PNG reader checks the PNG writer.
find_package(Qt6 6.4 REQUIRED COMPONENTS Gui)

swirlon_add_test(bmp_loader_tests
  SOURCES bmp_loader_test.cpp
  LIBS swirlon_field_io)

swirlon_add_test(picture_tests
  SOURCES picture_test.cpp colour_scale_test.cpp colour_map_test.cpp frame_overlay_test.cpp
  LIBS swirlon_field_io)

swirlon_add_test(movie_tests
  SOURCES movie_writer_test.cpp
  LIBS swirlon_field_io swirlon_movie_probe)

swirlon_add_test(file_format_tests
  SOURCES png_writer_test.cpp npy_test.cpp state_file_test.cpp presets_test.cpp
  LIBS swirlon_field_io Qt6::Gui)
# Qt's signal keywords would clash with the field bank's slots.
target_compile_definitions(file_format_tests PRIVATE QT_NO_KEYWORDS)

add_executable(bmp_loader_fuzz_replay
  ${PROJECT_SOURCE_DIR}/fuzz/bmp_loader_fuzz.cpp
  ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
target_link_libraries(bmp_loader_fuzz_replay PRIVATE swirlon_field_io swirlon_options)

# Where Python has NumPy (python3-numpy), the state files are also read by numpy itself. The
# first python3 on PATH may lack it (a virtual environment, pyenv): the system's is tried next.
find_package(Python3 COMPONENTS Interpreter NumPy)
if(NOT Python3_NumPy_FOUND)
  find_program(swirlon_system_python3 NAMES python3 PATHS /usr/bin /usr/local/bin NO_DEFAULT_PATH)
  if(swirlon_system_python3 AND NOT swirlon_system_python3 STREQUAL Python3_EXECUTABLE)
    unset(Python3_EXECUTABLE)
    set(Python3_EXECUTABLE ${swirlon_system_python3} CACHE FILEPATH "Python with NumPy for the tests" FORCE)
    unset(_Python3_EXECUTABLE CACHE)
    unset(_Python3_NumPy_INCLUDE_DIR CACHE)
    find_package(Python3 COMPONENTS Interpreter NumPy)
  endif()
endif()
if(Python3_NumPy_FOUND)
  target_compile_definitions(file_format_tests PRIVATE SWIRLON_NUMPY_PYTHON="${Python3_EXECUTABLE}")
else()
  message(STATUS "no Python with NumPy found: state files are not checked with numpy")
endif()
if(Python3_Interpreter_FOUND)
  set(bmp_seed_corpus ${CMAKE_CURRENT_BINARY_DIR}/bmp_seed_corpus)
  add_test(NAME bmp_loader_seed_corpus_written
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/fuzz/make_seed_corpus.py ${bmp_seed_corpus})
  set_tests_properties(bmp_loader_seed_corpus_written PROPERTIES FIXTURES_SETUP bmp_seed_corpus LABELS fast)
  add_test(NAME bmp_loader_seed_corpus_replays_cleanly COMMAND bmp_loader_fuzz_replay ${bmp_seed_corpus})
  set_tests_properties(bmp_loader_seed_corpus_replays_cleanly PROPERTIES FIXTURES_REQUIRED bmp_seed_corpus LABELS fast)
else()
  message(STATUS "python3 not found: the BMP seed corpus is not replayed by ctest")
endif()
