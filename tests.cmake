# Tests run under Wine (the cross-compiling emulator) on the display that build.sh provides.
set(gtest_disable_pthreads OFF)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

# Every test takes one of build.sh's lanes (a display and prefixes of its own) for as long as it runs:
# ctest's resource allocation hands them out (build.sh lists the lanes in build/lanes/resources.json),
# and scripts/wine-run.sh puts the test on its lane. Run without that list, ctest ignores this.
set(PATHMR_LANE lanes:1)

# What every test program has: its main (the verdict of a planted run) and the history session;
# compiled once for all of them.
add_library(pathmr_testmain OBJECT testkit/HistorySession.cpp testkit/TestMain.cpp testkit/PlantedVerdict.cpp)
target_link_libraries(pathmr_testmain PRIVATE pathmr_core pathmr_testkit gtest)
# The system, standard and test framework headers parsed once for every test program, not in every
# file: parsing them is most of a test file's compile. (The library's own files are compiled as
# they are, so that the product's bytes do not depend on what a test needs.)
target_precompile_headers(pathmr_testmain PRIVATE <windows.h> <oleauto.h> <gtest/gtest.h> <algorithm> <atomic>
  <cstdio> <cstdint> <functional> <memory> <set> <string> <vector>)

# pathmr_test(NAME PREFIX P [TIMEOUT S] SOURCES...): one ctest per test case, each in a process of its own.
function(pathmr_test name)
  cmake_parse_arguments(T "" "PREFIX;TIMEOUT" "SOURCES" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES} $<TARGET_OBJECTS:pathmr_resources> $<TARGET_OBJECTS:pathmr_testmain>)
  target_link_libraries(${name} PRIVATE pathmr_core pathmr_testkit gtest ${PATHMR_STATIC_RUNTIME})
  target_precompile_headers(${name} REUSE_FROM pathmr_testmain)
  add_dependencies(${name} Pathmr)
  set_property(GLOBAL PROPERTY PATHMR_PREFIX_${name} ${T_PREFIX})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 TEST_PREFIX "${T_PREFIX}."
    PROPERTIES TIMEOUT ${T_TIMEOUT} RESOURCE_GROUPS ${PATHMR_LANE})
endfunction()

# pathmr_series(NAME PREFIX P FILTER F ENV VAR=VALUE [TIMEOUT S] [PROPERTIES ...]): the cases of
# an existing test program that FILTER selects, again, with one variable more in their
# environment (the program is not built again): one, as gtest_discover_tests passes a list in
# ENVIRONMENT on as its first item only. Each filter is written to rerun-filters.txt too: build.sh
# fails a run in which one of them selects nothing.
file(WRITE ${CMAKE_BINARY_DIR}/rerun-filters.txt "")
function(pathmr_series name)
  cmake_parse_arguments(T "" "PREFIX;FILTER;ENV;TIMEOUT" "PROPERTIES" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 TEST_PREFIX "${T_PREFIX}."
    TEST_FILTER "${T_FILTER}" PROPERTIES ENVIRONMENT "${T_ENV}" TIMEOUT ${T_TIMEOUT} RESOURCE_GROUPS ${PATHMR_LANE}
    ${T_PROPERTIES})
  file(APPEND ${CMAKE_BINARY_DIR}/rerun-filters.txt "${T_PREFIX} ${T_FILTER}\n")
endfunction()

pathmr_test(ui_test PREFIX ui SOURCES
  ui/tests/ErrorTextTest.cpp ui/tests/GeometryTest.cpp ui/tests/LayoutTest.cpp ui/tests/TimerTest.cpp
  ui/tests/FormTest.cpp ui/tests/PixmapTest.cpp ui/tests/PicturesTest.cpp ui/jpeg/tests/JpegTest.cpp
  shared/tests/SharedUnitTest.cpp)
pathmr_test(dialogs_test PREFIX dialogs SOURCES
  dialogs/tests/AltKeyRepaintFixTest.cpp dialogs/tests/DialogSupportTest.cpp)
pathmr_test(history_test PREFIX history SOURCES history/tests/HistoryExportsTest.cpp history/tests/HistoryLayoutTest.cpp
  history/tests/SlidePreviewTest.cpp history/tests/HostileHostTest.cpp history/tests/PresenterHostTest.cpp)
pathmr_test(library_test PREFIX library TIMEOUT 300 SOURCES library/tests/LibraryTest.cpp library/tests/CallingConventionTest.cpp)
add_dependencies(library_test host RuntimeBaseline planted-errors-at-load-and-unload)
pathmr_test(about_test PREFIX about SOURCES about/tests/AboutTest.cpp about/tests/AboutFormTest.cpp)
# Long sessions: minutes, not seconds.
pathmr_test(soak_test PREFIX soak TIMEOUT 900 SOURCES history/tests/SoakTest.cpp)
# The layout and picture checks again on screens of 120, 144 and 192 dpi, in another of build.sh's
# Wine prefixes each; the prefix's name says what the tests may expect of it (testkit::CurrentPrefix).
foreach(dpi 120 144 192)
  set(wine WINEPREFIX=${PATHMR_BUILD_DIR}/wine${PATHMR_ARCH}-${dpi})
  pathmr_series(history_test PREFIX dpi${dpi} FILTER "HistoryLayout.*:SlidePreview.*" ENV ${wine})
  pathmr_series(about_test PREFIX dpi${dpi} FILTER "AboutBox.*" ENV ${wine})
endforeach()
# Every test thread is a single-threaded COM apartment, as the presentation program's is
# (testkit/TestMain.cpp); the requests and the library's loading once more without COM at all.
pathmr_series(history_test PREFIX nocom FILTER "HistoryExports.*" ENV PATHMR_TEST_APARTMENT=none)
pathmr_series(library_test PREFIX nocom FILTER "Library.Unload*:Library.Freed*" ENV PATHMR_TEST_APARTMENT=none)

# The leak checks proven: each test-only build with a planted fault (CMakeLists.txt) under the
# checks that claim to catch it. Such a run passes only when its checks failed with the report of
# the count the fault grows and with nothing else (testkit/PlantedVerdict.cpp). Its control is the
# same test on the product, registered above without the fault: planted-controls.txt pairs them,
# and scripts/test-summary.py prints both verdicts and fails a pass in which either is missing.
file(WRITE ${CMAKE_BINARY_DIR}/planted-controls.txt "")
function(pathmr_planted test filter)
  get_property(prefix GLOBAL PROPERTY PATHMR_PREFIX_${test})
  foreach(fault IN LISTS ARGN)
    pathmr_series(${test} PREFIX planted.${fault} FILTER "${filter}" TIMEOUT 300 ENV PATHMR_PLANTED_FAULT=${fault})
    add_dependencies(${test} planted-${fault})
    file(APPEND ${CMAKE_BINARY_DIR}/planted-controls.txt "planted.${fault} ${prefix}\n")
  endforeach()
endfunction()
pathmr_planted(library_test "Library.Hundred*" thread-per-load thread-per-initialize-product
  handle-per-dropped-request heap-per-load class-per-load atom-per-load tls-slot-per-load)
pathmr_planted(library_test "Library.TwelveHundred*" heap-per-load tls-slot-per-load)
pathmr_planted(library_test "Library.FiftyCycles*" gdi-per-ten-dialogs class-per-load atom-per-load)
pathmr_planted(library_test "Library.RepeatedUse*" gdi-per-ten-dialogs heap-per-dialog)
pathmr_planted(soak_test "Soak.ThreeHundred*" gdi-per-ten-dialogs heap-per-dialog)

# Everywhere else the icon-title font is the layouts' own Tahoma -11: here it is Tahoma -13, so the
# checks that the dialogs draw in the icon-title font can tell the two apart.
set(wine WINEPREFIX=${PATHMR_BUILD_DIR}/wine${PATHMR_ARCH}-96-largefont)
pathmr_series(history_test PREFIX largefont FILTER "HistoryLayout.*" ENV ${wine})
pathmr_series(about_test PREFIX largefont FILTER "AboutBox.*:AboutForm.*" ENV ${wine})
pathmr_series(dialogs_test PREFIX largefont FILTER "DialogFontSetup.*" ENV ${wine})

# The documents' relative links lead to a file and heading (scripts/check_links.py), and the check
# proves it catches broken ones. Host-side Python, no Wine and no lane; registered in one build only.
if(PATHMR_ARCH EQUAL 64)
  find_program(PATHMR_PYTHON3 python3 REQUIRED)
  add_test(NAME docs.links COMMAND ${PATHMR_PYTHON3} ${CMAKE_SOURCE_DIR}/scripts/check_links.py ${CMAKE_SOURCE_DIR})
  add_test(NAME docs.links.selftest COMMAND ${PATHMR_PYTHON3} ${CMAKE_SOURCE_DIR}/scripts/check_links.py --self-test)
  # The includes run down the floors of code-layout.md, and headers speak of Win32 one way.
  add_test(NAME docs.includes COMMAND ${PATHMR_PYTHON3} ${CMAKE_SOURCE_DIR}/scripts/check_includes.py ${CMAKE_SOURCE_DIR})
  add_test(NAME docs.includes.selftest COMMAND ${PATHMR_PYTHON3} ${CMAKE_SOURCE_DIR}/scripts/check_includes.py --self-test)
endif()
