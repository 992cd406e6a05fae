# Cross toolchain for the 32-bit Windows build: the product.
set(KV_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
