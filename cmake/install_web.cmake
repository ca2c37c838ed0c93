# What a web build installs beside the library (install.cmake): the page's scripts and
# template where the exported link options and KX508Config.cmake look for them, the CMake
# function that writes a page, and kx508-web, the one-command build of a page, which
# finds the library from where it lies (<prefix>/bin/kx508-web).
install(FILES ${KX508_WEB_PAGE_TEMPLATE}
  DESTINATION ${KX508_WEB_INSTALL_DIR} COMPONENT dev)
foreach(script ${KX508_WEB_PAGE_SCRIPTS})
  install(FILES ${KX508_WEB_DIR}/${script} DESTINATION ${KX508_WEB_INSTALL_DIR} COMPONENT dev)
endforeach()
install(FILES cmake/KX508WebPage.cmake DESTINATION ${KX508_PACKAGE_DIR} COMPONENT dev)
# The font's pages beyond Latin-1, which every page gets a copy of beside it.
install(DIRECTORY ${KX508_GLYPH_DIR}/ DESTINATION ${KX508_WEB_INSTALL_DIR}/glyphs COMPONENT dev)

# kx508-web compiles and links as this build's MinSizeRel programs are, so that its page
# is the examples' page.
# Python lists of words; none of them holds a quote.
function(python_list out)
  list(JOIN ARGN "', '" words)
  set(${out} "['${words}']" PARENT_SCOPE)
endfunction()
separate_arguments(compile UNIX_COMMAND "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_MINSIZEREL}")
python_list(KX508_TOOL_COMPILE_FLAGS -std=c++${CMAKE_CXX_STANDARD} ${compile})
python_list(KX508_TOOL_LINK_FLAGS ${KX508_WEB_LINK_FLAGS} -Oz ${KX508_WEB_SIZE_FLAGS})
python_list(KX508_TOOL_PAGE_SCRIPTS ${KX508_WEB_PAGE_SCRIPTS})
python_list(KX508_TOOL_LIBRARIES kx508_main kx508 kx508_platform kx508_system kx508_raster)
configure_file(tools/kx508-web.in ${CMAKE_CURRENT_BINARY_DIR}/kx508-web @ONLY)
install(PROGRAMS ${CMAKE_CURRENT_BINARY_DIR}/kx508-web
  DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT dev)
