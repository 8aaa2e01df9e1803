# A second compiler for the Windows build: Debian's clang targeting x86_64-w64-mingw32, with the
# MinGW-w64 headers, libraries and binutils of the GCC build. It catches code that only GCC
# accepts; its executables run under Wine like GCC's.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64.cmake)

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${NORDAVEL_MINGW_PREFIX})
set(CMAKE_CXX_COMPILER_TARGET ${NORDAVEL_MINGW_PREFIX})

# The C++ library of the posix variant of Debian's MinGW-w64 GCC, which clang's driver does not
# find by itself under a folder named "12-posix".
file(GLOB _nordavel_gcc_dirs LIST_DIRECTORIES true /usr/lib/gcc/${NORDAVEL_MINGW_PREFIX}/*-posix)
list(SORT _nordavel_gcc_dirs COMPARE NATURAL ORDER DESCENDING)
list(GET _nordavel_gcc_dirs 0 _nordavel_gcc)
set(_nordavel_cxx ${_nordavel_gcc}/include/c++)
set(CMAKE_CXX_FLAGS_INIT
    "-stdlib=libstdc++ -isystem ${_nordavel_cxx} -isystem ${_nordavel_cxx}/${NORDAVEL_MINGW_PREFIX}")
# -pthread: the static libstdc++ of the posix variant needs winpthreads after it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-L${_nordavel_gcc} -pthread")
