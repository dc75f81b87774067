# FreeType for the engine's text module.
# Native builds use the system library (libfreetype-dev). The Windows build cross-compiles
# Debian's FreeType source package once per build tree, at configure time, and links it
# statically; a later configure reuses the cached library. Nothing of it enters the sources.
# Defines the target Freetype::Freetype.

if(NOT KORVANE_WINDOWS)
  find_package(Freetype REQUIRED)
  return()
endif()

set(_ft_root ${CMAKE_BINARY_DIR}/_deps/freetype)
set(_ft_install ${_ft_root}/install)
set(_ft_library ${_ft_install}/lib/libfreetype.a)

function(_korvane_freetype_run what)
  execute_process(${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "FreeType for Windows: ${what} failed (${rc}):\n${out}\n${err}")
  endif()
endfunction()

if(NOT EXISTS ${_ft_library})
  # A private apt state inside the build tree: the system's apt configuration stays untouched.
  set(_apt ${_ft_root}/apt)
  file(MAKE_DIRECTORY ${_apt}/lists/partial ${_apt}/parts ${_apt}/cache/archives/partial ${_ft_root}/src)
  file(TOUCH ${_apt}/empty.list)
  file(READ /etc/apt/sources.list.d/debian.sources _sources)
  string(REPLACE "Types: deb\n" "Types: deb-src\n" _sources "${_sources}")
  file(WRITE ${_apt}/parts/src.sources "${_sources}")
  set(_apt_options
    -o Dir::Etc::SourceParts=${_apt}/parts
    -o Dir::Etc::SourceList=${_apt}/empty.list
    -o Dir::State::Lists=${_apt}/lists
    -o Dir::Cache=${_apt}/cache)
  file(GLOB _old_dsc ${_ft_root}/src/freetype_*.dsc)
  if(NOT _old_dsc)
    message(STATUS "FreeType for Windows: fetching Debian's source package")
    _korvane_freetype_run("apt-get update" COMMAND apt-get ${_apt_options} update)
    _korvane_freetype_run("apt-get source" COMMAND apt-get ${_apt_options} source --download-only freetype
      WORKING_DIRECTORY ${_ft_root}/src)
  endif()
  file(GLOB _dsc ${_ft_root}/src/freetype_*.dsc)
  list(GET _dsc 0 _dsc)
  file(REMOVE_RECURSE ${_ft_root}/src/tree)
  message(STATUS "FreeType for Windows: unpacking ${_dsc}")
  _korvane_freetype_run("dpkg-source" COMMAND dpkg-source --no-check -x ${_dsc} tree
    WORKING_DIRECTORY ${_ft_root}/src)

  message(STATUS "FreeType for Windows: cross-building a static library")
  file(REMOVE_RECURSE ${_ft_root}/build)
  _korvane_freetype_run("configure" COMMAND ${CMAKE_COMMAND}
    -S ${_ft_root}/src/tree -B ${_ft_root}/build -G Ninja
    -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/toolchain-mingw-w64-posix.cmake
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=${_ft_install}
    -DBUILD_SHARED_LIBS=OFF
    -DFT_DISABLE_ZLIB=TRUE -DFT_DISABLE_BZIP2=TRUE -DFT_DISABLE_PNG=TRUE
    -DFT_DISABLE_HARFBUZZ=TRUE -DFT_DISABLE_BROTLI=TRUE)
  _korvane_freetype_run("build" COMMAND ${CMAKE_COMMAND} --build ${_ft_root}/build -j 2)
  _korvane_freetype_run("install" COMMAND ${CMAKE_COMMAND} --install ${_ft_root}/build)
  if(NOT EXISTS ${_ft_library})
    message(FATAL_ERROR "FreeType for Windows: ${_ft_library} was not produced")
  endif()
endif()

add_library(Freetype::Freetype STATIC IMPORTED GLOBAL)
set_target_properties(Freetype::Freetype PROPERTIES
  IMPORTED_LOCATION ${_ft_library}
  INTERFACE_INCLUDE_DIRECTORIES ${_ft_install}/include/freetype2)
