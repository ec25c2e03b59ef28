# The Windows specifics of HDMI_EDID.dll, included by the top-level CMakeLists.txt on WIN32:
# exports by a module-definition file, resources compiled by windres, the runtime linked in, and a
# check after every link that the DLL exports exactly the host's entry points and imports only
# what Windows ships.
target_sources(HDMI_EDID PRIVATE
  ${CMAKE_SOURCE_DIR}/src/plugin/exports.def
  ${CMAKE_SOURCE_DIR}/src/plugin/Version.rc
  ${CMAKE_SOURCE_DIR}/src/ui/DialogResources.rc)
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/ui/DialogResources.rc PROPERTIES
  OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/src/ui/SectionIcons.bmp)

set(HDMI_WINDOWS_LIBS user32 gdi32 comctl32)
target_link_libraries(HDMI_EDID PRIVATE ${HDMI_WINDOWS_LIBS})
# No libstdc++, libgcc or winpthread DLL beside ours: the host loads one file.
target_link_options(HDMI_EDID PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--no-undefined)

add_custom_command(TARGET HDMI_EDID POST_BUILD
  COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DDLL=$<TARGET_FILE:HDMI_EDID>
          -P ${CMAKE_SOURCE_DIR}/cmake/check_dll.cmake
  VERBATIM)
