# The Debian package, made by CPack from the install rules: `cpack -G DEB` in the build folder
# (scripts/package.sh does the build and this). Its dependencies come from the binaries through
# dpkg-shlibdeps, so they follow whatever the programs link.

set(TAVRIN_PACKAGE_MAINTAINER "TAVRIN Controller developers <tavrin-controller@example.org>"
    CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${TAVRIN_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The TAVRIN Controller developers")
set(CPACK_PACKAGE_CONTACT ${TAVRIN_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/deb-strip.cmake)

set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "remote control and preset editor for TAVRIN audio recorders")
set(CPACK_PACKAGE_DESCRIPTION [[
TAVRIN Controller remote-controls a TAVRIN solid-state audio recorder over
an RS-232C serial port and edits its three recording presets. From the
computer an operator presses the recorder's front-panel keys, follows its
status, time, track number and display mode, reads a preset into an editor
where every change goes to the recorder at once, writes whole presets back,
and saves presets to plain text files and loads them again.

The package also holds tavrin-recorder-sim, a simulator that plays the
recorder on a pseudo-terminal, for trying the program out without a
recorder.]])

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TAVRIN_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
