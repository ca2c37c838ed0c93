# Strips installed files as Debian's packaging tools do (install(SCRIPT), after
# install(CODE) has set strip, options and files, these relative to the prefix): what a
# program never uses at run time, or a static library at link time, goes, and so do the
# compiler's .comment and .note sections.
foreach(file ${files})
  execute_process(COMMAND ${strip} ${options} $ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${file}
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
