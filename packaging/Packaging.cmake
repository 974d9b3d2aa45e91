# Installing and packaging. `cmake --install` lays Zento out as a Linux desktop program:
#   lib/zento/            the program folder: Zento, Brevanix and res/ (found beside the executable)
#   lib/zento/feed/       the local feed with its node_modules
#   bin/zento             a link to the program; bin/zento-feed starts the feed
#   share/applications/, share/icons/hicolor/, share/metainfo/, share/doc/zento/
# `cpack -G DEB` (scripts/package.sh) turns the "terminal" and "feed" parts into zento_<version>_<arch>.deb
# and zento-feed_<version>_all.deb. Included from the top-level CMakeLists.txt once the targets exist.
include(GNUInstallDirs)
# Installing and packing take the tree as built (scripts/package.sh builds first): cpack must not start
# a build of every target, tests included, under the install test that runs beside the others.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(ZENTO_INSTALL_PROGRAM_DIR lib/zento CACHE STRING "Program folder under the prefix: Zento, Brevanix, res/")
set(ZENTO_INSTALL_FEED_DIR ${ZENTO_INSTALL_PROGRAM_DIR}/feed CACHE STRING "The local feed under the prefix")
set(ZENTO_INSTALL_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/zento)
set(ZENTO_HOMEPAGE_URL "https://zento.example.org" CACHE STRING
    "Home page named by the AppStream file; its screenshot lives under /screenshots/")
set(ZENTO_APPSTREAM_ID org.example.zento.Zento CACHE STRING "AppStream component id (reverse DNS)")
set(ZENTO_PACKAGE_MAINTAINER "Zento developers <packages@zento.example.org>" CACHE STRING
    "Maintainer field of the Debian packages")

set(packaging_dir ${CMAKE_CURRENT_LIST_DIR})
set(packaging_out ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${packaging_out})

# Icons: the scalable source and the sizes menus ask for. The window's own icon is one of them, in res/.
set(ZENTO_ICON_SIZES 48 128 256)
set(ZENTO_WINDOW_ICON_SIZE 128)
find_program(ZENTO_RSVG_CONVERT rsvg-convert REQUIRED)
set(icon_outputs)
foreach(size IN LISTS ZENTO_ICON_SIZES)
    set(png ${packaging_out}/icons/${size}x${size}/zento.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_out}/icons/${size}x${size}
        COMMAND ${ZENTO_RSVG_CONVERT} --format png --width ${size} --height ${size} --output ${png}
                ${packaging_dir}/zento.svg
        DEPENDS ${packaging_dir}/zento.svg
        COMMENT "Rasterising the ${size} px icon"
        VERBATIM)
    list(APPEND icon_outputs ${png})
endforeach()
set(window_icon ${ZENTO_RES_DIR}/icon/zento.png)
add_custom_command(OUTPUT ${window_icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ZENTO_RES_DIR}/icon
    COMMAND ${CMAKE_COMMAND} -E copy
            ${packaging_out}/icons/${ZENTO_WINDOW_ICON_SIZE}x${ZENTO_WINDOW_ICON_SIZE}/zento.png ${window_icon}
    DEPENDS ${packaging_out}/icons/${ZENTO_WINDOW_ICON_SIZE}x${ZENTO_WINDOW_ICON_SIZE}/zento.png
    COMMENT "Copying the window icon"
    VERBATIM)
add_custom_target(zento_icons ALL DEPENDS ${icon_outputs} ${window_icon})
if(TARGET Zento)
    add_dependencies(Zento zento_icons)
endif()

configure_file(${packaging_dir}/zento.metainfo.xml.in ${packaging_out}/${ZENTO_APPSTREAM_ID}.metainfo.xml @ONLY)
# The launchers find the program folder relative to themselves, so a staged or relocated tree works.
file(RELATIVE_PATH ZENTO_PROGRAM_FROM_BINDIR /${CMAKE_INSTALL_BINDIR} /${ZENTO_INSTALL_PROGRAM_DIR})
file(RELATIVE_PATH ZENTO_FEED_FROM_BINDIR /${CMAKE_INSTALL_BINDIR} /${ZENTO_INSTALL_FEED_DIR})
configure_file(${packaging_dir}/zento-feed.in ${packaging_out}/zento-feed @ONLY)
file(CREATE_LINK ${ZENTO_PROGRAM_FROM_BINDIR}/Zento ${packaging_out}/zento SYMBOLIC)

# The terminal.
install(TARGETS Zento Brevanix RUNTIME DESTINATION ${ZENTO_INSTALL_PROGRAM_DIR} COMPONENT terminal)
install(DIRECTORY ${ZENTO_RES_DIR}/ DESTINATION ${ZENTO_INSTALL_PROGRAM_DIR}/res COMPONENT terminal)
install(FILES ${packaging_out}/zento DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT terminal)
install(FILES ${packaging_dir}/zento.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications
    COMPONENT terminal)
install(FILES ${packaging_dir}/zento.svg DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps
    COMPONENT terminal)
foreach(size IN LISTS ZENTO_ICON_SIZES)
    install(FILES ${packaging_out}/icons/${size}x${size}/zento.png
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps COMPONENT terminal)
endforeach()
install(FILES ${packaging_out}/${ZENTO_APPSTREAM_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo COMPONENT terminal)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/assets/LICENSES.md
    DESTINATION ${ZENTO_INSTALL_DOC_DIR} COMPONENT terminal)
foreach(pair "icons/tabler=tabler-icons" "flags=flag-icons" "map=world-atlas")
    string(REPLACE "=" ";" pair "${pair}")
    list(GET pair 0 folder)
    list(GET pair 1 name)
    install(FILES ${CMAKE_SOURCE_DIR}/assets/${folder}/LICENSE DESTINATION ${ZENTO_INSTALL_DOC_DIR}
        RENAME LICENSE.${name} COMPONENT terminal)
endforeach()

# The local feed: plain files and its npm modules (scripts/setup.sh runs npm ci; every module in the
# lock file is a run-time one).
set(feed_source ${CMAKE_SOURCE_DIR}/feed)
install(FILES ${feed_source}/server.js ${feed_source}/defaults.json ${feed_source}/package.json
        ${feed_source}/package-lock.json ${feed_source}/README.md
    DESTINATION ${ZENTO_INSTALL_FEED_DIR} COMPONENT feed)
install(DIRECTORY ${feed_source}/lib ${feed_source}/node_modules DESTINATION ${ZENTO_INSTALL_FEED_DIR}
    COMPONENT feed)
install(PROGRAMS ${packaging_out}/zento-feed DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT feed)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zento)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Zento developers")
set(CPACK_PACKAGE_CONTACT "${ZENTO_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Market quotes and charts")
set(CPACK_PACKAGE_HOMEPAGE_URL "${ZENTO_HOMEPAGE_URL}")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL terminal feed)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_TERMINAL_PACKAGE_NAME zento)
set(CPACK_DEBIAN_TERMINAL_PACKAGE_SECTION misc)
# The shipped servers are the local feed's; with servers of its own (servers.json) it needs no feed.
set(CPACK_DEBIAN_TERMINAL_PACKAGE_RECOMMENDS zento-feed)
set(CPACK_DEBIAN_TERMINAL_DESCRIPTION "Market quotes and charts
 Zento is a desktop terminal for market quotes: live prices for currency pairs,
 metals and oil, up to nine chart windows, indicators, drawing tools and news.
 Brevanix, its updater, is installed beside it.")
set(CPACK_DEBIAN_FEED_PACKAGE_NAME zento-feed)
set(CPACK_DEBIAN_FEED_PACKAGE_SECTION net)
set(CPACK_DEBIAN_FEED_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_FEED_PACKAGE_DEPENDS nodejs)
set(CPACK_DEBIAN_FEED_DESCRIPTION "Local market-data service for Zento
 Serves every HTTP and Socket.IO endpoint the Zento terminal calls on loopback,
 with a simulated market and news, so the terminal runs without other servers.")
include(CPack)
