# Shaders are GLSL sources compiled at build time by glslc for Vulkan 1.2 (SPIR-V 1.5) and embedded:
# each source S becomes <binary dir>/shaders/S.spv.inc, a comma-separated list of 32-bit words that
# C++ includes inside an array initialiser:
#     static const u32 k_words[] = {
#     #include "gui.vert.spv.inc"
#     };
# A binary S.spv is written beside it and, when spirv-val is installed, checked by a test.
#
# korvane_shader_library(target SOURCES a.vert b.frag ...)
#   Creates the INTERFACE library `target` that carries the include folder and the build dependency.
#   Call again with another target name for more shader sets.
function(korvane_shader_library target)
  cmake_parse_arguments(S "" "" "SOURCES" ${ARGN})
  find_program(KORVANE_GLSLC glslc REQUIRED)
  find_program(KORVANE_SPIRV_VAL spirv-val)
  set(out_dir ${CMAKE_CURRENT_BINARY_DIR}/shaders)
  file(MAKE_DIRECTORY ${out_dir})
  set(outputs)
  foreach(src ${S_SOURCES})
    get_filename_component(abs ${src} ABSOLUTE)
    get_filename_component(name ${src} NAME)
    set(inc ${out_dir}/${name}.spv.inc)
    set(bin ${out_dir}/${name}.spv)
    add_custom_command(
      OUTPUT ${inc} ${bin}
      COMMAND ${KORVANE_GLSLC} --target-env=vulkan1.2 -mfmt=num -MD -MF ${inc}.d -o ${inc} ${abs}
      COMMAND ${KORVANE_GLSLC} --target-env=vulkan1.2 -o ${bin} ${abs}
      DEPENDS ${abs}
      DEPFILE ${inc}.d
      COMMENT "Compiling shader ${name}"
      VERBATIM)
    list(APPEND outputs ${inc} ${bin})
    if(KORVANE_SPIRV_VAL AND KORVANE_TESTS)
      add_test(NAME spirv_val_${name} COMMAND ${KORVANE_SPIRV_VAL} --target-env vulkan1.2 ${bin})
    endif()
  endforeach()
  add_custom_target(${target}_compile DEPENDS ${outputs})
  add_library(${target} INTERFACE)
  target_include_directories(${target} INTERFACE ${out_dir})
  add_dependencies(${target} ${target}_compile)
endfunction()
