# The shipped library: libzarvo.so exporting exactly the API's functions, or DLL.dll with
# every export at its fixed ordinal.
if(WIN32)
    add_library(zarvo SHARED $<TARGET_OBJECTS:zarvo_objects> ${CMAKE_SOURCE_DIR}/api/DLL.def)
    set_target_properties(zarvo PROPERTIES OUTPUT_NAME DLL PREFIX "" SUFFIX ".dll")
    target_link_libraries(zarvo PRIVATE cfgmgr32 user32 kernel32)
    # The C and C++ runtimes are linked in, so the DLL needs nothing beyond system DLLs.
    target_link_options(zarvo PRIVATE -static -static-libgcc -static-libstdc++
                        -Wl,--enable-stdcall-fixup -Wl,--kill-at)
else()
    add_library(zarvo SHARED $<TARGET_OBJECTS:zarvo_objects>)
    set_target_properties(zarvo PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION 1)
    target_link_options(zarvo PRIVATE
                        -Wl,--version-script=${CMAKE_SOURCE_DIR}/api/libzarvo.map)
    set_target_properties(zarvo PROPERTIES LINK_DEPENDS ${CMAKE_SOURCE_DIR}/api/libzarvo.map)
endif()
target_include_directories(zarvo PUBLIC $<BUILD_INTERFACE:${CMAKE_SOURCE_DIR}/include>)
