# The Windows release: Lumivane-<version>-win32.zip in the build folder,
# holding the stripped program and a read-me, nothing else. Made by
#   cmake --build --preset win32 --target package
# Included by the top-level CMakeLists for the 32-bit product build only.

# The read-me, with the update host and version filled in. Its lines end in
# CR LF for Notepad whatever line ends the checkout gave the source.
set(LUMIVANE_README ${CMAKE_BINARY_DIR}/release/README.txt)
configure_file(${CMAKE_SOURCE_DIR}/win32/README-windows.txt ${LUMIVANE_README} @ONLY NEWLINE_STYLE CRLF)

# Only the release component goes into the zip, so install rules that other
# parts of the tree may add (test frameworks, say) stay out of it.
install(TARGETS Lumivane RUNTIME DESTINATION . COMPONENT release)
install(FILES ${LUMIVANE_README} DESTINATION . COMPONENT release)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Lumivane)
set(CPACK_PACKAGE_VENDOR "Lumivane developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Lumivane-${PROJECT_VERSION}-win32)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Lumivane;release;/")
# Whatever the build type, the zip's program carries no symbols.
set(CPACK_STRIP_FILES ON)
include(CPack)
