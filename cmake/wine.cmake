# Running Windows test programs through Wine from CTest.
#
# The Wine prefix lives in the build tree, never in the user's ~/.wine. A
# fixture starts a persistent wineserver before the first Wine test (a cold
# start costs seconds, a warm one about one) and stops it after the last.
find_program(WINE_PROGRAM NAMES wine wine64 REQUIRED)
find_program(WINESERVER_PROGRAM NAMES wineserver REQUIRED
             HINTS /usr/lib/wine /usr/lib/x86_64-linux-gnu/wine)
set(WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
# The virtual screen of the tests that open windows; each build tree its own
# display number, so trees tested side by side never share (or stop) one.
string(MD5 tree_hash "${CMAKE_BINARY_DIR}")
string(SUBSTRING "${tree_hash}" 0 3 tree_hash)
math(EXPR display_number "100 + 0x${tree_hash} % 800")
set(VORNSFX_TEST_DISPLAY ":${display_number}" CACHE STRING
    "X display of the Wine tests' virtual screen")
set(WINE_ENVIRONMENT
  "WINEPREFIX=${WINE_PREFIX}"
  "DISPLAY=${VORNSFX_TEST_DISPLAY}"
  "WINEDEBUG=-all"
  # winemenubuilder would copy shortcuts the tests make into the real home folder.
  "WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe="
  "LANG=ja_JP.UTF-8"
  "LC_ALL=ja_JP.UTF-8")

add_test(NAME xvfb_start
         COMMAND ${PROJECT_SOURCE_DIR}/tests/wine/start-xvfb ${VORNSFX_TEST_DISPLAY})
set_tests_properties(xvfb_start PROPERTIES FIXTURES_SETUP screen)
add_test(NAME xvfb_stop
         COMMAND ${PROJECT_SOURCE_DIR}/tests/wine/stop-xvfb ${VORNSFX_TEST_DISPLAY})
set_tests_properties(xvfb_stop PROPERTIES FIXTURES_CLEANUP screen)

# Wine needs the screen from its first start on: the prefix's desktop and
# services are created there.
add_test(NAME wine_start
         COMMAND ${PROJECT_SOURCE_DIR}/tests/wine/start-wine ${WINE_PREFIX})
set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine FIXTURES_REQUIRED screen
                     ENVIRONMENT "${WINE_ENVIRONMENT}")
add_test(NAME wine_stop COMMAND ${WINESERVER_PROGRAM} -k)
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine FIXTURES_REQUIRED screen
                     ENVIRONMENT "${WINE_ENVIRONMENT}")

# add_wine_test(<target> [ENVIRONMENT var=value...])
function(add_wine_test target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "ENVIRONMENT")
  add_test(NAME ${target} COMMAND ${WINE_PROGRAM} $<TARGET_FILE:${target}>)
  set_tests_properties(${target} PROPERTIES
    FIXTURES_REQUIRED "wine;screen"
    ENVIRONMENT "${WINE_ENVIRONMENT};${arg_ENVIRONMENT}"
    TIMEOUT 900)
endfunction()
