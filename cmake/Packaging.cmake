# What `cmake --install` puts where, and the packages CPack makes from it: on Windows a zip of
# the two executables and the texts, on Linux a Debian package of nordavel-cli.

if(WIN32)
    # A zip that is unpacked and run: everything in one folder, the texts as Notepad shows them.
    install(TARGETS Nordavel nordavel-cli RUNTIME DESTINATION .)
    foreach(text IN ITEMS README.md LICENSE)
        file(READ ${PROJECT_SOURCE_DIR}/${text} content)
        string(REPLACE "\r\n" "\n" content "${content}")
        string(REPLACE "\n" "\r\n" content "${content}")
        get_filename_component(stem ${text} NAME_WE)
        file(WRITE ${PROJECT_BINARY_DIR}/package-texts/${stem}.txt "${content}")
        install(FILES ${PROJECT_BINARY_DIR}/package-texts/${stem}.txt DESTINATION .)
    endforeach()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE)

    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME Nordavel-${PROJECT_VERSION}-win64)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
    include(GNUInstallDirs)
    # A Debian package keeps its documents under its own name.
    set(NORDAVEL_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/nordavel
        CACHE STRING "Where README and LICENSE are installed, below the prefix")

    install(TARGETS nordavel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    # Manual pages are installed compressed, the way man and Debian expect them.
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/nordavel-cli.1.gz
                       COMMAND gzip -9 -n -k -f ${PROJECT_BINARY_DIR}/nordavel-cli.1
                       DEPENDS ${PROJECT_BINARY_DIR}/nordavel-cli.1)
    configure_file(packaging/debian/changelog.in ${PROJECT_BINARY_DIR}/package-texts/changelog @ONLY)
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/package-texts/changelog.gz
                       COMMAND gzip -9 -n -k -f ${PROJECT_BINARY_DIR}/package-texts/changelog
                       DEPENDS ${PROJECT_BINARY_DIR}/package-texts/changelog)
    add_custom_target(nordavel_compressed_docs ALL
                      DEPENDS ${PROJECT_BINARY_DIR}/nordavel-cli.1.gz
                              ${PROJECT_BINARY_DIR}/package-texts/changelog.gz)
    install(FILES ${PROJECT_BINARY_DIR}/nordavel-cli.1.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES README.md LICENSE DESTINATION ${NORDAVEL_INSTALL_DOCDIR})

    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_PACKAGE_NAME nordavel-cli)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Nordavel authors <authors@nordavel.example.org>")
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # CPack puts the summary first and indents these lines itself.
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
        "nordavel-cli turns the GPS track logs that some cameras write as KML
documents into CSV files laid out like a GPS logger's export: one line
per track point with index, date and time, latitude, longitude and
height. Values are copied as text, never rounded, and a CSV file is only
replaced by a conversion that succeeded.

It takes single logs, folders (also recursively) and logs in any
ASCII-compatible character set, such as Shift_JIS.")
    if(NORDAVEL_INSTALL_DOCDIR STREQUAL "${CMAKE_INSTALL_DATAROOTDIR}/doc/nordavel-cli")
        install(FILES packaging/debian/copyright ${PROJECT_BINARY_DIR}/package-texts/changelog.gz
                DESTINATION ${NORDAVEL_INSTALL_DOCDIR})
    endif()
endif()

set(CPACK_PACKAGE_NAME Nordavel)
set(CPACK_PACKAGE_VENDOR "The Nordavel authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)
