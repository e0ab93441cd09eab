# The Flash player module, placed whole into the screensaver runtime. The build assembles this
# with the module's folder on the include path; see PlayerModuleLoader.cpp.
    .section .rodata.gld_player_module, "a", @progbits
    .balign 64
    .globl gld_player_module_start
    .type gld_player_module_start, @object
gld_player_module_start:
    .incbin "libgld_player_module.so"
    .globl gld_player_module_end
    .type gld_player_module_end, @object
gld_player_module_end:
    .byte 0
    .section .note.GNU-stack, "", @progbits
