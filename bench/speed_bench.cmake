# SPDX-License-Identifier: GPL-3.0-or-later
# The FFTW comparison inside solver_bench, only where FFTW 3 is installed; the product itself
# never links FFTW.
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_check_modules(FFTW3 QUIET IMPORTED_TARGET fftw3)
endif()
if(FFTW3_FOUND)
  target_compile_definitions(solver_bench PRIVATE SWIRLON_BENCH_WITH_FFTW)
  target_link_libraries(solver_bench PRIVATE PkgConfig::FFTW3)
endif()

# A plain program running a given number of steps, for counting instructions under callgrind.
add_executable(step_driver step_driver.cpp)
target_link_libraries(step_driver PRIVATE swirlon_solver swirlon_options)
