# Run by CPack on the installed tree just before it packs it: strips the
# programs as Debian's dh_strip does, dropping the symbols and debugging
# information, and the .comment and .note sections, which hold only the
# compiler's name and version.
file(GLOB programas "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*")
if(NOT programas)
  message(FATAL_ERROR "no programs to strip in ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin")
endif()
foreach(programa IN LISTS programas)
  execute_process(COMMAND ${CPACK_TARJETA_STRIP} --remove-section=.comment
                          --remove-section=.note ${programa} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
