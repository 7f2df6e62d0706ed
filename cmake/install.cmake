# SPDX-License-Identifier: MIT
# What `cmake --install` puts where, for people who build measuring applications on the
# library:
#
#   <prefix>/include/zarvo.h                    the public C header
#   <prefix>/<libdir>/libzarvo.so.1.0.0         with the SONAME libzarvo.so.1 and the usual links
#   <prefix>/<libdir>/pkgconfig/zarvo.pc        pkg-config --cflags --libs zarvo
#   <prefix>/<libdir>/cmake/zarvo/              find_package(zarvo) giving zarvo::zarvo
#   <prefix>/bin/zarvo                          the command-line tool (when built)
#   <prefix>/share/doc/zarvo/                   examples and the Linux device-access notes
#   <prefix>/share/zarvo/udev/                  the udev rule for access without root
#
# A Windows cross build installs bin/DLL.dll with the examples as .exe beside it, the import
# library lib/libDLL.dll.a (also as lib/DLL.lib), the header, the same CMake and pkg-config
# files, README.txt, and the Python package with its own copy of DLL.dll
# (packaging/windows_package.sh turns that into a zip).
#
# In this build tree, zarvo::zarvo is the target to link against, as it is for an installed
# library.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(ZARVO_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(ZARVO_CMAKE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/zarvo)

add_library(zarvo::zarvo ALIAS zarvo)

# ---- Library and header
install(TARGETS zarvo
        EXPORT zarvoTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${CMAKE_SOURCE_DIR}/include/zarvo.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(WIN32)
    # DLL.lib is the name other Windows toolchains look for. For the 32-bit DLL the target's
    # import library is the __stdcall one (see library.cmake), so both names hold it.
    install(FILES $<TARGET_LINKER_FILE:zarvo> DESTINATION ${CMAKE_INSTALL_LIBDIR} RENAME DLL.lib)
endif()

# ---- CMake package: find_package(zarvo) gives zarvo::zarvo
install(EXPORT zarvoTargets NAMESPACE zarvo:: DESTINATION ${ZARVO_CMAKE_INSTALL_DIR})
configure_package_config_file(${ZARVO_PACKAGING_DIR}/zarvoConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/packaging/zarvoConfig.cmake
                              INSTALL_DESTINATION ${ZARVO_CMAKE_INSTALL_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/packaging/zarvoConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/packaging/zarvoConfig.cmake
              ${CMAKE_BINARY_DIR}/packaging/zarvoConfigVersion.cmake
        DESTINATION ${ZARVO_CMAKE_INSTALL_DIR})

# ---- pkg-config
# The file finds the prefix from its own place, so an installed tree can be moved (or
# installed with --prefix somewhere else than configured) and still be found.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    set(ZARVO_PC_PREFIX ${CMAKE_INSTALL_PREFIX})
    set(ZARVO_PC_LIBDIR ${CMAKE_INSTALL_LIBDIR})
else()
    file(RELATIVE_PATH zarvo_pc_up /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
    string(REGEX REPLACE "/$" "" zarvo_pc_up "${zarvo_pc_up}")
    set(ZARVO_PC_PREFIX "\${pcfiledir}/${zarvo_pc_up}")
    set(ZARVO_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
    set(ZARVO_PC_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})
else()
    set(ZARVO_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
if(WIN32)
    set(ZARVO_PC_LIBNAME DLL)
else()
    set(ZARVO_PC_LIBNAME zarvo)
endif()
configure_file(${ZARVO_PACKAGING_DIR}/zarvo.pc.in ${CMAKE_BINARY_DIR}/packaging/zarvo.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/packaging/zarvo.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# ---- Licence, documentation, examples, device access
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${CMAKE_SOURCE_DIR}/examples/block_capture.c
              ${CMAKE_SOURCE_DIR}/examples/timer_statistics.c
              ${CMAKE_SOURCE_DIR}/examples/plot_capture.py
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
if(NOT WIN32)
    install(FILES ${CMAKE_SOURCE_DIR}/docs/linux-device-access.md
            DESTINATION ${CMAKE_INSTALL_DOCDIR})
    install(FILES ${ZARVO_PACKAGING_DIR}/udev/60-zarvo-parport.rules
            DESTINATION ${CMAKE_INSTALL_DATADIR}/zarvo/udev)
else()
    install(FILES ${ZARVO_PACKAGING_DIR}/windows/README.txt DESTINATION .)
    # The Python package, with the DLL beside it where the package looks first.
    install(DIRECTORY ${CMAKE_SOURCE_DIR}/python/zarvo DESTINATION python
            PATTERN "__pycache__" EXCLUDE)
    install(FILES $<TARGET_FILE:zarvo> DESTINATION python/zarvo)
endif()

# ---- Programs defined further down the tree (the tool; the examples install themselves)
function(zarvo_install_programs)
    if(TARGET zarvo_tool)
        if(NOT IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
            # Finds the library it was installed with, wherever the prefix is.
            set_target_properties(zarvo_tool PROPERTIES
                                  INSTALL_RPATH "\$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
        endif()
        install(TARGETS zarvo_tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL zarvo_install_programs)
