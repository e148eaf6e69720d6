# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop metadata through the validators desktops and software centres use, and the Debian
# package as dpkg-deb reads it. A missing validator skips its test with a message.
function(swirlon_add_tool_test name tool)
  find_program(SWIRLON_TOOL_${tool} ${tool})
  if(SWIRLON_TOOL_${tool})
    add_test(NAME ${name} COMMAND ${SWIRLON_TOOL_${tool}} ${ARGN})
  else()
    add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E echo "${tool} is not installed: skipped")
  endif()
  set_tests_properties(${name} PROPERTIES SKIP_REGULAR_EXPRESSION "is not installed: skipped" LABELS slow)
endfunction()

# desktop-file-validate is silent on a clean file and exits 0 even after hints: any output fails.
swirlon_add_tool_test(desktop_entry_passes_validation_without_hints desktop-file-validate ${SWIRLON_DESKTOP_FILE})
set_property(TEST desktop_entry_passes_validation_without_hints APPEND PROPERTY FAIL_REGULAR_EXPRESSION ".")
# --strict fails on infos and warnings as well as errors; pedantic remarks are left out.
swirlon_add_tool_test(metainfo_passes_appstream_validation appstreamcli validate --no-net --strict ${SWIRLON_METAINFO_FILE})

if(TARGET swirlon_python)
  set(swirlon_python_module $<TARGET_FILE_NAME:swirlon_python>)
  set(swirlon_python ${Python3_EXECUTABLE})
endif()
add_test(NAME debian_package_holds_programs_data_and_dependencies
         COMMAND ${CMAKE_COMMAND} -DCPACK=${CMAKE_CPACK_COMMAND} -DCPACK_CONFIG=${PROJECT_BINARY_DIR}/CPackConfig.cmake
                 -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/package-test -DVERSION=${PROJECT_VERSION}
                 -DAPP_ID=${SWIRLON_APP_ID} -DPYTHON_MODULE=${swirlon_python_module}
                 -DPYTHON=${swirlon_python} -P ${CMAKE_CURRENT_LIST_DIR}/package_contents_test.cmake)
set_tests_properties(debian_package_holds_programs_data_and_dependencies PROPERTIES LABELS slow
                     SKIP_REGULAR_EXPRESSION "is not installed: skipped")
