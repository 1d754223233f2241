# Cross build for 64-bit Windows with mingw-w64 (Debian: g++-mingw-w64-x86-64-posix).
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DORVANE_CORE_ONLY=ON
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORVANE_MINGW_TRIPLET x86_64-w64-mingw32)
# The posix thread model: std::thread and std::mutex work with it.
find_program(CMAKE_C_COMPILER NAMES ${ORVANE_MINGW_TRIPLET}-gcc-posix ${ORVANE_MINGW_TRIPLET}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${ORVANE_MINGW_TRIPLET}-g++-posix ${ORVANE_MINGW_TRIPLET}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${ORVANE_MINGW_TRIPLET}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${ORVANE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Without the mingw runtime DLLs beside them, dynamically linked programs do not start: the core
# build links statically. A build against Qt for mingw sets ORVANE_MINGW_SHARED_RUNTIME=ON, since
# Qt's DLLs use the shared libstdc++ and one process must not carry two C++ runtimes; its deploy
# folder then holds the runtime DLLs.
if(NOT ORVANE_MINGW_SHARED_RUNTIME)
  set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
endif()
