# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64).
#
# The posix-threads compilers are used because the win32-threads variant of GCC 12 has no
# std::mutex, std::thread or std::this_thread::sleep_for; winpthreads is linked statically, so
# the program still imports only KERNEL32, msvcrt and the system DLLs it names.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAMBREL_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TAMBREL_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TAMBREL_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TAMBREL_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TAMBREL_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Unicode throughout: -municode defines UNICODE and _UNICODE, so the W functions are the ones
# declared. At link time it selects the wmain/wWinMain start-up code, which a program with a plain
# main() (CMake's own compiler checks included) cannot link with; so it is linked only into
# executables that opt in: GUI programs (WIN32_EXECUTABLE, entry wWinMain) and console programs
# with the property TAMBREL_UNICODE_ENTRY (entry wmain).
add_compile_options(-municode)
add_compile_definitions(NOMINMAX)
add_link_options(
  "$<$<OR:$<BOOL:$<TARGET_PROPERTY:WIN32_EXECUTABLE>>,$<BOOL:$<TARGET_PROPERTY:TAMBREL_UNICODE_ENTRY>>>:-municode>")

# One self-contained file: no libstdc++/libgcc/winpthread DLLs beside it.
add_link_options(-static -static-libgcc -static-libstdc++)

# Lets test runners find the cross tools without repeating the triplet.
set(TAMBREL_MINGW_OBJDUMP ${TAMBREL_MINGW_TRIPLET}-objdump)
