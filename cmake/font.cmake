# The program's font: VL Gothic Regular (Debian fonts-vlgothic), shipped beside an executable
# under the name the program loads, with its licence text beside it.
set(KORVANE_FONT_SOURCE /usr/share/fonts/truetype/vlgothic/VL-Gothic-Regular.ttf CACHE FILEPATH
  "TrueType font shipped as RelaxedTypingMonoJP-Regular.ttf")
set(KORVANE_FONT_COPYRIGHT /usr/share/doc/fonts-vlgothic/copyright CACHE FILEPATH
  "Copyright and licence text of the shipped font")
set(KORVANE_FONT_NAME "RelaxedTypingMonoJP-Regular.ttf")
set(KORVANE_FONT_LICENSE_NAME "RelaxedTypingMonoJP-Regular-LICENSE.txt")

if(NOT EXISTS ${KORVANE_FONT_SOURCE} OR NOT EXISTS ${KORVANE_FONT_COPYRIGHT})
  message(FATAL_ERROR "The font needs the package fonts-vlgothic (${KORVANE_FONT_SOURCE}).")
endif()

# The licence file: a line naming the font, then Debian's copyright file unchanged.
set(KORVANE_FONT_LICENSE_FILE ${CMAKE_BINARY_DIR}/font/${KORVANE_FONT_LICENSE_NAME})
file(READ ${KORVANE_FONT_COPYRIGHT} _korvane_font_copyright)
file(CONFIGURE OUTPUT ${KORVANE_FONT_LICENSE_FILE} @ONLY CONTENT
"${KORVANE_FONT_NAME} is VL Gothic Regular (VL-Gothic-Regular.ttf, Debian package fonts-vlgothic),
renamed. Its copyright and licence terms follow.

@_korvane_font_copyright@")

# korvane_copy_font(target): after each build of target, the font and its licence stand
# beside the target's file.
function(korvane_copy_font target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${KORVANE_FONT_SOURCE}
      $<TARGET_FILE_DIR:${target}>/${KORVANE_FONT_NAME}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${KORVANE_FONT_LICENSE_FILE}
      $<TARGET_FILE_DIR:${target}>/${KORVANE_FONT_LICENSE_NAME}
    VERBATIM)
endfunction()

# korvane_add_font_files(name directory): a target `name` that places the font and its licence
# in directory (for a folder that holds exactly what ships beside the program).
function(korvane_add_font_files name directory)
  add_custom_command(
    OUTPUT ${directory}/${KORVANE_FONT_NAME} ${directory}/${KORVANE_FONT_LICENSE_NAME}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${directory}
    COMMAND ${CMAKE_COMMAND} -E copy ${KORVANE_FONT_SOURCE} ${directory}/${KORVANE_FONT_NAME}
    COMMAND ${CMAKE_COMMAND} -E copy ${KORVANE_FONT_LICENSE_FILE} ${directory}/${KORVANE_FONT_LICENSE_NAME}
    DEPENDS ${KORVANE_FONT_SOURCE} ${KORVANE_FONT_LICENSE_FILE}
    VERBATIM)
  add_custom_target(${name} ALL DEPENDS ${directory}/${KORVANE_FONT_NAME} ${directory}/${KORVANE_FONT_LICENSE_NAME})
endfunction()
