# SPDX-License-Identifier: MIT
# The shipped library: libzarvo.so exporting exactly the API's functions, or DLL.dll with
# every export at its fixed ordinal.
if(WIN32)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(zarvo_def ${CMAKE_SOURCE_DIR}/api/DLL.def)
    else()
        # 64-bit Windows has a single calling convention and undecorated symbol names: the
        # same export list, ordinals and module name, without the stdcall internal names.
        file(READ ${CMAKE_SOURCE_DIR}/api/DLL.def def_text)
        string(REGEX REPLACE " = [A-Za-z0-9_]+@[0-9]+" "" def_text "${def_text}")
        set(zarvo_def ${CMAKE_BINARY_DIR}/DLL.def)
        file(CONFIGURE OUTPUT ${zarvo_def} CONTENT "${def_text}" @ONLY)
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                     ${CMAKE_SOURCE_DIR}/api/DLL.def)
    endif()
    add_library(zarvo SHARED $<TARGET_OBJECTS:zarvo_objects> ${zarvo_def})
    set_target_properties(zarvo PROPERTIES OUTPUT_NAME DLL PREFIX "" SUFFIX ".dll")
    target_link_libraries(zarvo PRIVATE cfgmgr32 advapi32 user32 kernel32)
    # The C and C++ runtimes are linked in, so the DLL needs nothing beyond system DLLs. The
    # export list binds each name to its exact decorated stdcall symbol; no guessing of
    # decorations, so a prototype that changes its argument bytes fails to link.
    target_link_options(zarvo PRIVATE -static -static-libgcc -static-libstdc++
                        -Wl,--disable-stdcall-fixup)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        # The import library. A caller compiled with the public header calls each export as
        # __stdcall, so its object files ask for decorated names (InitInstrument@4), while
        # DLL.dll exports the plain names. The linker's own import library offers only the
        # plain names, which no C or C++ caller can link against, so right after the link
        # dlltool writes the one callers need over it: decorated symbols importing the plain
        # names. The DLL's import library is then that one file wherever it is used: in this
        # build tree, the installed lib/libDLL.dll.a and lib/DLL.lib, the CMake package.
        find_program(ZARVO_DLLTOOL NAMES ${ZARVO_MINGW_TRIPLET}-dlltool dlltool REQUIRED)
        file(READ ${zarvo_def} zarvo_def_text)
        # "InitInstrument = InitInstrument@4 @1" -> "InitInstrument@4 @1"
        string(REGEX REPLACE "([A-Za-z0-9_]+) = ([A-Za-z0-9_]+@[0-9]+)" "\\2" zarvo_def_text
                             "${zarvo_def_text}")
        set(zarvo_import_def ${CMAKE_BINARY_DIR}/DLL-callers.def)
        file(CONFIGURE OUTPUT ${zarvo_import_def} CONTENT "${zarvo_def_text}" @ONLY)
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${zarvo_def})
        add_custom_command(
            TARGET zarvo POST_BUILD
            COMMAND ${ZARVO_DLLTOOL} --kill-at --dllname DLL.dll --input-def ${zarvo_import_def}
                    --output-lib $<TARGET_LINKER_FILE:zarvo>
            COMMENT "Import library of DLL.dll for __stdcall callers"
            VERBATIM)
    endif()
else()
    add_library(zarvo SHARED $<TARGET_OBJECTS:zarvo_objects>)
    set_target_properties(zarvo PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION 1)
    target_link_options(zarvo PRIVATE
                        -Wl,--version-script=${CMAKE_SOURCE_DIR}/api/libzarvo.map)
    set_target_properties(zarvo PROPERTIES LINK_DEPENDS ${CMAKE_SOURCE_DIR}/api/libzarvo.map)
endif()
target_include_directories(zarvo PUBLIC $<BUILD_INTERFACE:${CMAKE_SOURCE_DIR}/include>)
