# Packages made by cpack from the install tree:
#   windows: voxra-<version>-windows.zip  (voxra.exe, Data/)
#   linux:   voxra-<version>-linux.tar.gz and a .deb  (voxra, Data/,
#            voxra.desktop, voxra.png)
# The install tree keeps the executable beside Data/, since the game reads
# Data/ from its working folder. Data/ itself is installed by tools/.
if(NOT TARGET voxra)
  return()
endif()

install(TARGETS voxra RUNTIME DESTINATION .)

set(CPACK_PACKAGE_NAME voxra)
set(CPACK_PACKAGE_VENDOR "Orvane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Voxra, a 3x3x3 twisty-cube puzzle drawn with OpenGL")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME voxra-${PROJECT_VERSION}-windows)
else()
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(voxra_icon ${CMAKE_BINARY_DIR}/voxra.png)
  add_custom_command(
    OUTPUT ${voxra_icon}
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tools/gen/make_icon.py ${voxra_icon}
    DEPENDS ${PROJECT_SOURCE_DIR}/tools/gen/make_icon.py
    COMMENT "Drawing the icon"
    VERBATIM)
  add_custom_target(voxra_icon ALL DEPENDS ${voxra_icon})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/voxra.desktop ${voxra_icon} DESTINATION .)

  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_PACKAGE_FILE_NAME voxra-${PROJECT_VERSION}-linux)
  # The .deb puts the same folder at /opt/voxra and links the menu entry
  # and the icon into the system's folders.
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Orvane <voxra@orvane.invalid>")
  set(CPACK_DEBIAN_PACKAGE_SECTION games)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsdl2-2.0-0, libgl1, libglu1-mesa")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/debian/postinst
    ${PROJECT_SOURCE_DIR}/packaging/debian/prerm)
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/packaging/cpack_generators.cmake)
endif()

# The generators the package test runs.
set(VOXRA_PACKAGE_GENERATORS ${CPACK_GENERATOR})
include(CPack)
