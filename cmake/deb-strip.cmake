# Run by CPack on the staged files before it packs them: strips the programs as Debian's dh_strip
# does, the symbols and also the .comment and .note sections, which only name the compiler.
find_program(TAVRIN_STRIP NAMES strip REQUIRED)
file(GLOB programs "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*")
foreach(program IN LISTS programs)
  execute_process(
    COMMAND ${TAVRIN_STRIP} --remove-section=.comment --remove-section=.note --strip-unneeded ${program}
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
