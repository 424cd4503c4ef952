# The Debian package, made by CPack from the install rules:
#   cpack --config build/CPackConfig.cmake   (or: tools/dev.sh package)
# writes glassmere_<version>_<arch>.deb.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME glassmere)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "The Glassmere developers <${GLASSMERE_SUPPORT_EMAIL}>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
if(GLASSMERE_HOME_PAGE)
    set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${GLASSMERE_HOME_PAGE})
endif()
# The first line of the description is the project's; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Glassmere adds a mirror reflection to a photo, on the side you choose,
with its size, the share copied unfaded, a gap or a trim, fading into a
colour or into transparency, and saves the result in common picture
formats. It converts single photos in a window with a live preview or
whole folders at once.
.
The command glassmere-reflect does the same work in scripts.")

# The libraries the programs link come from dpkg-shlibdeps. Qt loads the
# readers of TIFF, TGA, MNG and SVG pictures as plug-ins at run time, which
# no linker sees, so their packages are named here, and so is the Wayland
# platform plug-in: without it a Wayland session runs the window through
# XWayland, where the compositor's own moving and resizing is out of reach.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libavif is loaded when an AVIF is met, so no linker sees it either; its
# package is named after its SONAME, as Debian names library packages.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-image-formats-plugins, libqt6svg6, qt6-wayland, lib${GLASSMERE_AVIF_SONAME_NAME}${GLASSMERE_AVIF_SONAME_VERSION}")

include(CPack)
