# Runs the Windows test executables under Wine, in a prefix that belongs to this build tree.
# The prefix is created once at build time, before any test (or test discovery) runs.
set(KORVANE_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE INTERNAL "")
set(KORVANE_WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh CACHE INTERNAL "")
# One-word emulator (CMake 3.25's test discovery does not split a list): a launcher that
# binds this tree's prefix.
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/wine-run CONTENT "#!/bin/sh\nexec '${KORVANE_WINE_RUN}' '${KORVANE_WINEPREFIX}' \"$@\"\n")
file(CHMOD ${CMAKE_BINARY_DIR}/wine-run PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

add_custom_command(
  OUTPUT ${KORVANE_WINEPREFIX}/.korvane-prefix-ready
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh ${KORVANE_WINEPREFIX}
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/wine-prefix.sh
  COMMENT "Creating the Wine prefix for tests"
  VERBATIM)
add_custom_target(wine_prefix ALL DEPENDS ${KORVANE_WINEPREFIX}/.korvane-prefix-ready)
