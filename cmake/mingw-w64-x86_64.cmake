# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64).
# The POSIX-threads flavour of the compiler provides std::thread and
# std::mutex. Without the window, libstdc++, libgcc and winpthread are linked
# statically, so tq740ctl.exe needs only the DLLs that every Windows system
# has. With the window (TQ_QT_PREFIX: a Qt built by scripts/build-qt-windows),
# the programs share the mingw runtime DLLs with Qt's, one runtime in the
# process, and the zip carries them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TQ_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TQ_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TQ_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TQ_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TQ_MINGW_TRIPLE})
if(TQ_QT_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${TQ_QT_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(NOT TQ_QT_PREFIX)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
endif()

# ctest runs the cross-built tests under Wine where Wine is installed.
find_program(TQ_WINE wine)
if(TQ_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TQ_WINE})
endif()

# g++ 12 reports std::string concatenations inlined from libstdc++ as
# overlapping copies (-Wrestrict, GCC bug 105329), a false alarm that only
# this compiler's optimiser raises here.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
