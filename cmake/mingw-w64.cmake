# Cross build of the plug-in (HDMI_EDID.dll) and the stand-in host (hdmi-ddc.exe) for 64-bit
# Windows with Debian's mingw-w64 (posix thread model, for std::thread and std::mutex):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake && cmake --build build-win
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(HDMI_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${HDMI_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HDMI_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${HDMI_MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP ${HDMI_MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${HDMI_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs run under Wine when tests or build steps execute them.
find_program(HDMI_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(HDMI_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${HDMI_WINE})
endif()
