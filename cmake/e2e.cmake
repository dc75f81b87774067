# End-to-end tests of the real Korvane.exe under Wine and Xvfb (Windows build only).
# They run in a prefix of their own, so that the `wineserver -k` of their cleanup never touches
# the unit tests running in parallel in the other prefix; the RESOURCE_LOCK serialises them.
set(KORVANE_E2E_PREFIX ${CMAKE_BINARY_DIR}/wineprefix-e2e CACHE INTERNAL "")

add_custom_command(
  OUTPUT ${KORVANE_E2E_PREFIX}/.korvane-prefix-ready
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh ${KORVANE_E2E_PREFIX}
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh
  COMMENT "Creating the Wine prefix for end-to-end tests"
  VERBATIM)
add_custom_target(wine_prefix_e2e ALL DEPENDS ${KORVANE_E2E_PREFIX}/.korvane-prefix-ready)

# korvane_e2e_test(name script.sh [TIMEOUT seconds]): registers a bash script (which sources
# tests/e2e/lib.sh) as the CTest test e2e.<name>, labelled "e2e".
function(korvane_e2e_test name script)
  cmake_parse_arguments(E "" "TIMEOUT" "" ${ARGN})
  if(NOT E_TIMEOUT)
    set(E_TIMEOUT 150)
  endif()
  # The script's own watchdog fires first, so its cleanup still runs.
  math(EXPR ctest_timeout "${E_TIMEOUT} + 30")
  add_test(NAME e2e.${name} COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/${script})
  set_tests_properties(e2e.${name} PROPERTIES
    LABELS e2e
    RESOURCE_LOCK korvane_e2e_prefix
    TIMEOUT ${ctest_timeout}
    ENVIRONMENT "KORVANE_E2E_NAME=${name};KORVANE_E2E_TIMEOUT=${E_TIMEOUT};KORVANE_SOURCE_DIR=${CMAKE_SOURCE_DIR};KORVANE_BUILD_DIR=${CMAKE_BINARY_DIR};KORVANE_PROGRAM_DIR=${KORVANE_PROGRAM_DIR};KORVANE_E2E_PREFIX=${KORVANE_E2E_PREFIX};KORVANE_WINTOOL=$<TARGET_FILE:wintool>")
endfunction()
