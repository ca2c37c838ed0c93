# The web build's programs: how each is linked (a wait that suspends through Asyncify, a
# runtime that ends with the program, the page side run first) and the page each gets.
# Included by the top-level CMakeLists.txt in a web build, after the library's targets.
set(KX508_WEB_DIR ${CMAKE_CURRENT_LIST_DIR})

# Every program linked with the library's process entry gets these. Asyncify's stack holds
# the calls it unwinds while the program waits; the prompt's modal loop needs 64 KB.
set(kx508_web_link_options
  -sASYNCIFY
  -sASYNCIFY_STACK_SIZE=65536
  # The imports that sleep (web_driver.cpp): the wait and the yield.
  "-sASYNCIFY_IMPORTS=['kx508_web_wait','kx508_web_yield']"
  -sEXIT_RUNTIME=1
  -sALLOW_MEMORY_GROWTH=1
  -sENVIRONMENT=web
  -sFORCE_FILESYSTEM=1
  --pre-js=${KX508_WEB_DIR}/web_page.js
  --pre-js=${KX508_WEB_DIR}/web_script.js
  --pre-js=${KX508_WEB_DIR}/web_run.js
  # Links at -O2 and above minify the JS; the optimisation level follows the build type.
  $<$<CONFIG:Release>:-O3>
  $<$<CONFIG:MinSizeRel>:-Oz>
  $<$<CONFIG:RelWithDebInfo>:-O2>)
foreach(entry kx508_main kx508_entry)
  target_link_options(${entry} INTERFACE ${kx508_web_link_options})
  set_property(TARGET ${entry} APPEND PROPERTY INTERFACE_LINK_DEPENDS
    ${KX508_WEB_DIR}/web_page.js ${KX508_WEB_DIR}/web_script.js ${KX508_WEB_DIR}/web_run.js)
endforeach()

# kx508_web_page(<target> [TITLE <text>]): the page that runs the program, <target>.html
# beside its .js and .wasm.
function(kx508_web_page target)
  cmake_parse_arguments(P "" "TITLE" "" ${ARGN})
  set(KX508_PAGE_PROGRAM ${target})
  if(P_TITLE)
    set(KX508_PAGE_TITLE ${P_TITLE})
  else()
    set(KX508_PAGE_TITLE ${target})
  endif()
  configure_file(${KX508_WEB_DIR}/web_page.html.in ${CMAKE_CURRENT_BINARY_DIR}/${target}.html @ONLY)
endfunction()
