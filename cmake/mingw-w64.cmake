# Cross-compiling for 64-bit Windows with Debian's mingw-w64 tool chain. The posix thread
# model variant is preferred, so that the whole C++ thread library is there.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAVRIN_MINGW_TRIPLET x86_64-w64-mingw32)
find_program(CMAKE_CXX_COMPILER NAMES ${TAVRIN_MINGW_TRIPLET}-g++-posix ${TAVRIN_MINGW_TRIPLET}-g++ REQUIRED)
# GoogleTest's project enables C as well; without this CMake would take the host's cc.
find_program(CMAKE_C_COMPILER NAMES ${TAVRIN_MINGW_TRIPLET}-gcc-posix ${TAVRIN_MINGW_TRIPLET}-gcc REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TAVRIN_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TAVRIN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest (and the test discovery) run the .exe files under Wine, quietly and without a display.
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
endif()
