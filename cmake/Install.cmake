# What `cmake --install` puts where: the three programs, the menu entry with its icons and
# AppStream metadata, the manual pages, the udev rule for the meter's USB serial adapters, and
# the README and licence. Under the prefix /usr these are the places a Debian package uses.
include(GNUInstallDirs)

set(PHASEMETER_APP_ID com.korvalendrix.phasemeter)
set(PHASEMETER_HOMEPAGE "https://korvalendrix.com/phasemeter"
    CACHE STRING "The project's web page; the AppStream screenshot is expected below it")
set(PHASEMETER_RELEASE_DATE 2026-12-07)
set(data ${PROJECT_SOURCE_DIR}/data)
set(generated ${PROJECT_BINARY_DIR}/data)

install(TARGETS phasemeter phasemeter-cli phasemeter-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${data}/${PHASEMETER_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${data}/${PHASEMETER_APP_ID}.metainfo.xml.in
               ${generated}/${PHASEMETER_APP_ID}.metainfo.xml @ONLY)
install(FILES ${generated}/${PHASEMETER_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${data}/screenshots/live.png DESTINATION ${CMAKE_INSTALL_DATADIR}/phasemeter/screenshots)

# The icon: drawn once as SVG, rendered to the sizes menus and software centres ask for.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
install(FILES ${data}/icons/phasemeter.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
set(icon_files)
foreach(size 48 128 256)
    set(png ${generated}/icons/${size}x${size}/phasemeter.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}/icons/${size}x${size}
        COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${data}/icons/phasemeter.svg
        DEPENDS ${data}/icons/phasemeter.svg VERBATIM)
    list(APPEND icon_files ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Manual pages, compressed as Debian wants them (no name or time stamp in the gzip header).
set(man_files)
foreach(page phasemeter phasemeter-cli phasemeter-sim)
    set(gz ${generated}/man/${page}.1.gz)
    add_custom_command(OUTPUT ${gz}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${generated}/man
        COMMAND sh -c "gzip -9n -c '${data}/man/${page}.1' > '${gz}'"
        DEPENDS ${data}/man/${page}.1 VERBATIM)
    list(APPEND man_files ${gz})
    install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# Under /usr this is /usr/lib/udev/rules.d, where udev reads the rules packages bring.
install(FILES ${data}/udev/60-phasemeter.rules DESTINATION lib/udev/rules.d)

install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

add_custom_target(phasemeter_install_data ALL DEPENDS ${icon_files} ${man_files})
