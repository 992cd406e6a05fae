# Cross toolchain for a 64-bit Windows build of the same code: its tests run under 64-bit Wine on
# machines that cannot execute 32-bit programs.
set(KV_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
