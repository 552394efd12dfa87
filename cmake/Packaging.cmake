# The Debian package, made by CPack from what `cmake --install` installs: `cpack -G DEB` in a
# build tree configured with the prefix /usr (scripts/package.sh does all of it). The run-time
# dependencies come from the programs' shared libraries through dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME phasemeter)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The phasemeter developers")
set(CPACK_PACKAGE_CONTACT "The phasemeter developers <phasemeter@korvalendrix.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion of the three-clamp phase volt-ampere meter")
# The long description; CPack puts the summary line first and indents it as Debian wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "phasemeter finds the portable three-clamp phase volt-ampere meter on a USB
serial port by itself and shows its live voltages, currents, phase angles
and frequency with the powers, power factors, neutral current and a phasor
diagram. It reads the meter's stored records into a history table, saves,
exports and prints them, checks the wiring of energy meter installations
with the correction factor, and records trends with a chart.

phasemeter-cli reads records and logs live readings without a window, and
phasemeter-sim simulates a meter on a pseudo-terminal for trying it out.

A udev rule lets the person at the seat open the USB serial adapters the
meter comes with, without joining the dialout group, and keeps ModemManager
away from them.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PHASEMETER_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The site archive is a SQLite file opened through Qt SQL's plugin, which no link line names.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
# What no library link shows: the window needs a Qt platform plugin to open on a desktop, and a
# font with the Chinese characters of its labels.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-qpa-plugins, fonts-wqy-microhei | fonts-arphic-uming")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

# Debian's copyright file and the changelog, which only the package carries.
set(debian_changelog ${PROJECT_BINARY_DIR}/data/changelog.gz)
add_custom_command(OUTPUT ${debian_changelog}
    COMMAND sh -c "gzip -9n -c '${PROJECT_SOURCE_DIR}/data/debian/changelog' > '${debian_changelog}'"
    DEPENDS ${PROJECT_SOURCE_DIR}/data/debian/changelog VERBATIM)
add_custom_target(phasemeter_debian_changelog ALL DEPENDS ${debian_changelog})
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright ${debian_changelog}
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian EXCLUDE_FROM_ALL)
set(CPACK_DEB_COMPONENT_INSTALL OFF)
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};phasemeter;ALL;/"
    "${PROJECT_BINARY_DIR};phasemeter;debian;/")

include(CPack)
