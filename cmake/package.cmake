# Release packages (scripts/package.sh): a .deb from a native build, Korvane-<version>-win64.zip
# from the Windows build. `cpack` packs what the install rules of app/CMakeLists.txt lay out.

# Installing packs only what is built: the packaging script builds korvane_program, not the tests.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_PACKAGE_NAME Korvane)
set(CPACK_PACKAGE_VENDOR Korvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Volume mixer: each output device and each application's volume")
set(CPACK_PACKAGE_CONTACT "Korvane developers <korvane@localhost>")
set(CPACK_STRIP_FILES ON)

if(KORVANE_WINDOWS)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME Korvane-${PROJECT_VERSION}-win64)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_PACKAGE_NAME korvane)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "One window with the output devices, their volumes and the audio stream of
every application, for PulseAudio and PipeWire, drawn through Vulkan.")
  # Declared from the libraries the program links (dpkg-shlibdeps), plus the Vulkan loader,
  # which it opens at run time; a Vulkan driver is needed too.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libvulkan1")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "mesa-vulkan-drivers | vulkan-icd")
endif()

include(CPack)
