# make package: a Debian package of everything cmake --install puts in place,
# under /usr, with the dependencies dpkg-shlibdeps finds in the binaries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnwell)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "Tarnwell developers <packages@tarnwell.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "erase files and folders so their contents cannot be read back")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Tarnwell overwrites files and folders with zeros, gives them fixed file
times, renames them seven times to random names and deletes them. It can
also fill the free space of a volume with zeros, so that files deleted
earlier by ordinary means can no longer be read from the unused space.
.
The package holds the window (tarnwell), the command-line tool
(tarnwell-cli, with JSON output for scripts), manual pages, completions for
bash, zsh and fish, and context-menu actions for Dolphin, Nemo, Thunar and
GNOME Files.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.tarnwell.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads the window system and the SVG icon as plugins at run time, which
# dpkg-shlibdeps cannot see in the binaries.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-nautilus")
# Control files with the permissions lintian expects.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
