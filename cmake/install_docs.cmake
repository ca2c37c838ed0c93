# The documentation an installed library comes with (component dev): the reference and the
# teachers' guide with the pictures they show, the examples with their scripts and expected
# runs, and the manual pages of what is installed, made from docs/man/*.md by go-md2man.
# Where go-md2man is not found the pages are left out, and the configure step says so.
# The Debian packages (package.cmake) ship the same files in kx508-dev's folder.
if(KX508_PACKAGE)
  set(KX508_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kx508-dev)
else()
  set(KX508_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/kx508)
endif()

file(GLOB KX508_API_PICTURES ${PROJECT_SOURCE_DIR}/docs/draw-*.png)
install(FILES ${PROJECT_SOURCE_DIR}/docs/API.md ${KX508_API_PICTURES}
              ${PROJECT_SOURCE_DIR}/docs/TEACHING.md ${PROJECT_SOURCE_DIR}/docs/grade-workflow.yml
              ${PROJECT_SOURCE_DIR}/docs/grade-report.png
  DESTINATION ${KX508_DOC_DIR} COMPONENT dev)
file(GLOB example_files ${PROJECT_SOURCE_DIR}/examples/*.cpp ${PROJECT_SOURCE_DIR}/examples/*.scr)
install(FILES ${example_files} ${PROJECT_SOURCE_DIR}/examples/CMakeLists.txt
  DESTINATION ${KX508_DOC_DIR}/examples COMPONENT dev)
# The runs the examples' replay tests expect (kx508_add_replay_test).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/expected
  DESTINATION ${KX508_DOC_DIR}/examples COMPONENT dev)

# kx508_man_page(<name> <section> <component>): docs/man/<name>.<section>.md made into a
# manual page and installed with the component; compressed as Debian wants it (best
# compression, no name or time in the gzip header) in a package build.
find_program(KX508_GO_MD2MAN go-md2man)
if(KX508_PACKAGE)
  find_program(KX508_GZIP gzip REQUIRED)
endif()
if(NOT KX508_GO_MD2MAN)
  message(STATUS "go-md2man not found: the manual pages are not made or installed "
                 "(Debian's package go-md2man has it)")
endif()
add_custom_target(kx508_man_pages ALL)
function(kx508_man_page name section component)
  if(NOT KX508_GO_MD2MAN)
    return()
  endif()
  set(text ${PROJECT_SOURCE_DIR}/docs/man/${name}.${section}.md)
  set(page ${CMAKE_BINARY_DIR}/man/${name}.${section})
  set(commands COMMAND ${KX508_GO_MD2MAN} -in ${text} -out ${page})
  if(KX508_PACKAGE)
    list(APPEND commands COMMAND ${KX508_GZIP} -9nf ${page})
    string(APPEND page .gz)
  endif()
  add_custom_command(OUTPUT ${page} ${commands} DEPENDS ${text}
    COMMENT "Manual page ${name}(${section})")
  add_custom_target(kx508_man_${name} DEPENDS ${page})
  add_dependencies(kx508_man_pages kx508_man_${name})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section} COMPONENT ${component})
endfunction()

# The library's page and its tools'; the program's and kx508-web's go with their packages.
kx508_man_page(kx508 3 dev)
kx508_man_page(kx508-diff 1 dev)
kx508_man_page(kx508-grade 1 dev)
