# The stand-in host on Windows: zip archives through our reader on zlib (Debian has no libzip for
# mingw-w64), and every runtime library linked in, so hdmi-ddc.exe runs without DLLs beside it.
target_include_directories(hdmi_host PUBLIC ${CMAKE_SOURCE_DIR}/host/win32)
find_library(HDMI_MINGW_ZLIB NAMES libz.a z REQUIRED)
target_link_libraries(hdmi_host PUBLIC ${HDMI_MINGW_ZLIB})
target_link_options(hdmi_host INTERFACE -static -static-libgcc -static-libstdc++)
