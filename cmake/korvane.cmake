# Shared helpers for the engine, the program and the tests.

# Compile options of our own code (not of third-party sources).
function(korvane_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers)
  if(KORVANE_WINDOWS)
    target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)
  endif()
endfunction()

# Engine and program code: no exceptions, no RTTI.
function(korvane_code_defaults target)
  korvane_defaults(${target})
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>)
endfunction()

macro(korvane_add_googletest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL)
  include(GoogleTest)
endmacro()

# korvane_test(name SOURCES ... LIBS ... [LABELS ...] [NO_DISCOVER])
# One test executable with the shared test main. Under the Windows build it runs through
# Wine (the cross-compiling emulator) in the build tree's prefix.
function(korvane_test name)
  cmake_parse_arguments(T "NO_DISCOVER" "" "SOURCES;LIBS;LABELS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  korvane_defaults(${name})
  target_link_libraries(${name} PRIVATE korvane_test_support ${T_LIBS} GTest::gtest GTest::gmock)
  if(KORVANE_WINDOWS)
    add_dependencies(${name} wine_prefix)
  endif()
  if(NOT T_NO_DISCOVER)
    # An empty LABELS value would swallow the next property's name.
    set(properties ${T_PROPERTIES})
    if(T_LABELS)
      list(PREPEND properties LABELS "${T_LABELS}")
    endif()
    gtest_discover_tests(${name}
      DISCOVERY_TIMEOUT 60
      PROPERTIES ${properties})
  endif()
endfunction()

# Vulkan headers without a Vulkan library: entry points are fetched at run time (VK_NO_PROTOTYPES).
# The cross build must not see /usr/include as a whole (glibc headers would shadow MinGW's), so it
# gets a build-tree folder with links to just the Vulkan header folders (vk_video beside vulkan).
function(korvane_use_vulkan_headers target)
  target_compile_definitions(${target} PUBLIC VK_NO_PROTOTYPES)
  if(KORVANE_WINDOWS)
    set(dir ${CMAKE_BINARY_DIR}/vulkan_headers)
    foreach(sub vulkan vk_video)
      if(NOT EXISTS ${dir}/${sub})
        file(MAKE_DIRECTORY ${dir})
        file(CREATE_LINK /usr/include/${sub} ${dir}/${sub} SYMBOLIC)
      endif()
    endforeach()
    target_include_directories(${target} SYSTEM PUBLIC ${dir})
  endif()
endfunction()
