# What every program and module we build is hardened with, in both trees.
if(WIN32)
    # Address-space layout randomisation and no execution from data pages; 64-bit images use
    # the whole address space for it.
    add_link_options(LINKER:--dynamicbase LINKER:--nxcompat)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        add_link_options(LINKER:--high-entropy-va)
    endif()
    return()
endif()

# Full RELRO: every symbol is bound when the module is loaded, and the relocated tables are then
# made read-only. No call then passes through the lazy resolver either, which saves the
# processor's vector registers (with whatever PIN bytes a copy last moved through them) on the
# calling thread's stack and leaves them there.
add_link_options(LINKER:-z,relro LINKER:-z,now)
add_compile_options(-fstack-protector-strong)
# Checked string and memory functions, where the optimiser can see the sizes; the sanitizers
# check the same and more themselves.
if(NOT (KV_SANITIZE OR KV_TSAN OR KV_FUZZ))
    add_compile_definitions($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
endif()
