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

# What Asyncify leaves out. It instruments every function that may be on the stack when an
# import that sleeps is called: the imports' callers, their callers, and so on, and, since
# it cannot tell where a call through a pointer goes, every function that makes one (a
# window procedure, a virtual function, a std::function) and all of their callers. That
# keeps every path to a sleep that passes through the library's or the program's own
# calls through pointers. The C and C++ runtime's functions below call through pointers
# only into the runtime itself (a FILE's read, write, seek and close, the new-handler,
# the error categories, the type information that a dynamic_cast walks) or are the JS
# side's calls into the function table, which the page makes for no function that
# sleeps: none of them is ever on the stack when the program sleeps, and instrumenting
# them, and through them every function that prints, allocates or closes a file, made
# the wasm 18 KB larger gzipped. Names are as the wasm's name section has them, with '.'
# for a space; a name that matches no function is warned of at the link.
set(KX508_WEB_ASYNCIFY_REMOVE
  fflush fclose close_file __fwritex __uflow __fseeko_unlocked __ftello_unlocked
  __vfprintf_internal printf_core pop_arg
  operator.new* std::__2::__libcpp_allocate*
  std::__2::error_category::* std::__2::error_code::*
  __cxxabiv1::*
  *dynCall_*)
list(JOIN KX508_WEB_ASYNCIFY_REMOVE "," asyncify_remove)

# Every program linked with the library's process entry gets these. Asyncify's stack holds
# the calls it unwinds while the program waits; the prompt's modal loop needs 64 KB.
set(KX508_WEB_LINK_FLAGS
  -sASYNCIFY
  -sASYNCIFY_STACK_SIZE=65536
  # The imports that sleep: the wait and the yield (web_driver.cpp). A new one is added
  # here and nowhere else: every function that can reach it is instrumented by itself.
  # (An EM_ASYNC_JS function, as the recorder's lock in web_lock.cpp, is one already.)
  -sASYNCIFY_IMPORTS=kx508_web_wait,kx508_web_yield
  "-sASYNCIFY_REMOVE=[${asyncify_remove}]"
  -sEXIT_RUNTIME=1
  -sALLOW_MEMORY_GROWTH=1
  # Emscripten's small allocator: 3 KB less of the page's download gzipped than dlmalloc.
  -sMALLOC=emmalloc
  -sENVIRONMENT=web
  -sFORCE_FILESYSTEM=1)
set(KX508_WEB_SIZE_FLAGS -sBINARYEN_EXTRA_PASSES=-Oz)
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
  # For the size the wasm is optimised once more after Asyncify has instrumented it (the
  # link's own optimisation runs before): 0.5 KB less gzipped.
  target_link_options(${entry} INTERFACE
    $<$<CONFIG:Release>:-O3> "$<$<CONFIG:MinSizeRel>:-Oz;${KX508_WEB_SIZE_FLAGS}>"
    $<$<CONFIG:RelWithDebInfo>:-O2>)
endforeach()

include(${PROJECT_SOURCE_DIR}/cmake/KX508WebPage.cmake)
set_property(GLOBAL PROPERTY KX508_WEB_PAGE_TEMPLATE ${KX508_WEB_PAGE_TEMPLATE})
set_property(GLOBAL PROPERTY KX508_WEB_GLYPHS ${KX508_GLYPH_DIR})

# After the link, where the link minified the JS, terser gives the local names of its
# functions (the page's scripts' and Emscripten's own) short ones: 5 KB less of the
# page's download gzipped. Only local names change: globals (Module, FS, KX508Web, ...)
# and properties keep theirs, and no statement is rewritten. kx508_web_page adds it to
# each program of this tree; a program built on the installed library is left as linked.
# Debian's terser (script/bootstrap web) finds its modules through NODE_PATH, as the link
# does (script/build-web).
find_program(KX508_TERSER terser REQUIRED)
set_property(GLOBAL PROPERTY KX508_WEB_JS_MINIFIER ${KX508_TERSER})
