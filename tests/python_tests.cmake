# SPDX-License-Identifier: GPL-3.0-or-later
# The Python module's pytest tests (python/tests), run with the Python it is built for, the
# module from the build tree and swirlon-batch beside it.
foreach(suite IN ITEMS arrays_and_errors threads matches_batch)
  add_test(NAME python_${suite}
           COMMAND ${Python3_EXECUTABLE} -m pytest -q -p no:cacheprovider
                   ${PROJECT_SOURCE_DIR}/python/tests/test_${suite}.py)
  set_tests_properties(python_${suite} PROPERTIES
    ENVIRONMENT "PYTHONPATH=$<TARGET_FILE_DIR:swirlon_python>;SWIRLON_BATCH=$<TARGET_FILE:swirlon-batch>;PYTHONDONTWRITEBYTECODE=1;MPLBACKEND=Agg"
    LABELS fast)
endforeach()
# Whole runs beside the batch program's.
set_tests_properties(python_matches_batch PROPERTIES LABELS slow)
