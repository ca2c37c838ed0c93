# The web build's programs: how each is linked (a wait that suspends through Asyncify, a
# runtime that ends with the program, the page side run first) and the page each gets.
# Included by the top-level CMakeLists.txt in a web build, after the library's targets;
# install.cmake installs the page's files, kx508-web and these link options with them.
set(KX508_WEB_DIR ${CMAKE_CURRENT_LIST_DIR})
# The page's own code, run before the program in this order, and the page around it.
set(KX508_WEB_PAGE_SCRIPTS web_page.js web_script.js web_run.js)
set(KX508_WEB_PAGE_TEMPLATE ${KX508_WEB_DIR}/web_page.html.in)
# Where an installed library keeps them, under its prefix.
set(KX508_WEB_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/kx508)

# Every program linked with the library's process entry gets these. Asyncify's stack holds
# the calls it unwinds while the program waits; the prompt's modal loop needs 64 KB.
set(KX508_WEB_LINK_FLAGS
  -sASYNCIFY
  -sASYNCIFY_STACK_SIZE=65536
  # The imports that sleep (web_driver.cpp): the wait and the yield.
  -sASYNCIFY_IMPORTS=kx508_web_wait,kx508_web_yield
  -sEXIT_RUNTIME=1
  -sALLOW_MEMORY_GROWTH=1
  -sENVIRONMENT=web
  -sFORCE_FILESYSTEM=1)
foreach(entry kx508_main kx508_entry)
  target_link_options(${entry} INTERFACE ${KX508_WEB_LINK_FLAGS})
  foreach(script ${KX508_WEB_PAGE_SCRIPTS})
    set(installed $<INSTALL_PREFIX>/${KX508_WEB_INSTALL_DIR}/${script})
    target_link_options(${entry} INTERFACE
      $<BUILD_INTERFACE:--pre-js=${KX508_WEB_DIR}/${script}>
      $<INSTALL_INTERFACE:--pre-js=${installed}>)
    set_property(TARGET ${entry} APPEND PROPERTY INTERFACE_LINK_DEPENDS
      $<BUILD_INTERFACE:${KX508_WEB_DIR}/${script}> $<INSTALL_INTERFACE:${installed}>)
  endforeach()
  # Links at -O2 and above minify the JS; the optimisation level follows the build type.
  target_link_options(${entry} INTERFACE
    $<$<CONFIG:Release>:-O3> $<$<CONFIG:MinSizeRel>:-Oz> $<$<CONFIG:RelWithDebInfo>:-O2>)
endforeach()

include(${PROJECT_SOURCE_DIR}/cmake/KX508WebPage.cmake)
set_property(GLOBAL PROPERTY KX508_WEB_PAGE_TEMPLATE ${KX508_WEB_PAGE_TEMPLATE})
set_property(GLOBAL PROPERTY KX508_WEB_GLYPHS ${KX508_GLYPH_DIR})
