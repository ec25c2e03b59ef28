# Tests of the Windows build, run under Wine by scripts/wine-tests.sh (from test.sh): the
# end-to-end plug-in tests against HDMI_EDID.dll through the Windows build of the test host, and
# the Windows-only tests (the settings dialog driven by window messages, the DLL's resources).
# GoogleTest is built from the sources Debian ships, as there is no mingw-w64 build of it.
if(NOT EXISTS /usr/src/googletest/CMakeLists.txt)
  message(WARNING "No GoogleTest sources in /usr/src/googletest (Debian package googletest): "
                  "the Windows tests are not built")
  return()
endif()
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(HDMI_SHARED_CAPTURES ${CMAKE_SOURCE_DIR}/../shared/captures)

function(hdmi_windows_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE hdmi_host gtest gtest_main)
  target_compile_options(${name} PRIVATE ${HDMI_WARNINGS})
  target_compile_definitions(${name} PRIVATE
    HDMI_GOLDEN_DIR="${CMAKE_SOURCE_DIR}/tests/golden"
    HDMI_CAPTURES_DIR="${HDMI_SHARED_CAPTURES}")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  add_dependencies(${name} HDMI_EDID)
  add_test(NAME ${name} COMMAND ${name})
endfunction()

file(GLOB E2E_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*.cpp)
# CliTest and LifecycleTest drive POSIX processes and dlopen (tests/windows has the Windows
# counterparts); RealCaptureTest is about the capture-file readers and writes sigrok sessions,
# which the Windows build of the host does not write.
list(FILTER E2E_SOURCES EXCLUDE REGEX ".*/(CliTest|LifecycleTest|RealCaptureTest)\\.cpp$")
hdmi_windows_test(hdmi_e2e_tests ${E2E_SOURCES})

file(GLOB WINDOWS_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/windows/*.cpp)
if(WINDOWS_TEST_SOURCES)
  hdmi_windows_test(hdmi_windows_tests ${WINDOWS_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/src/ui/SectionIcons.cpp)
  target_include_directories(hdmi_windows_tests PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(hdmi_windows_tests PRIVATE user32 gdi32 comctl32)
endif()
