# kx508_web_page(<target> [TITLE <text>]): the page that runs a program built for the web,
# <target>.html beside its .js and .wasm, from the page template whose path the global
# property KX508_WEB_PAGE_TEMPLATE holds (set in this tree's web build and by the
# installed web package's KX508Config.cmake), and the font's pages beyond Latin-1 in
# glyphs/ beside it (from the folder KX508_WEB_GLYPHS names), which the page fetches.
function(kx508_web_page target)
  cmake_parse_arguments(P "" "TITLE" "" ${ARGN})
  if(NOT TARGET ${target})
    message(FATAL_ERROR "kx508_web_page: no target ${target}")
  endif()
  get_property(template GLOBAL PROPERTY KX508_WEB_PAGE_TEMPLATE)
  set(KX508_PAGE_PROGRAM ${target})
  if(P_TITLE)
    set(title ${P_TITLE})
  else()
    set(title ${target})
  endif()
  # The title goes into HTML as text.
  string(REPLACE "&" "&amp;" title "${title}")
  string(REPLACE "<" "&lt;" title "${title}")
  string(REPLACE ">" "&gt;" title "${title}")
  set(KX508_PAGE_TITLE "${title}")
  # Beside the program's .js and .wasm.
  get_target_property(out ${target} RUNTIME_OUTPUT_DIRECTORY)
  if(NOT out OR out MATCHES "\\$<")
    set(out ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  configure_file(${template} ${out}/${target}.html @ONLY)
  get_property(glyphs GLOBAL PROPERTY KX508_WEB_GLYPHS)
  file(COPY ${glyphs}/ DESTINATION ${out}/glyphs)
  # This tree's web build shortens the local names in the program's JS (web.cmake).
  get_property(minifier GLOBAL PROPERTY KX508_WEB_JS_MINIFIER)
  if(minifier)
    set(js $<TARGET_FILE:${target}>)
    set(optimised $<NOT:$<CONFIG:Debug>>)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND "$<${optimised}:${minifier};${js};--mangle;--output;${js}>"
      COMMAND_EXPAND_LISTS VERBATIM)
  endif()
endfunction()
