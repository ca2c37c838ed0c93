# kx508-web-dev (package.cmake, given KX508_WEB_STAGE): the library as a web build installs
# it, put into Emscripten's system folder, where em++ and `emcmake cmake` look without
# being told (find_package(KX508) finds it there, and only there); kx508-web on the PATH.
# Its code is WebAssembly and JavaScript, the same on every machine: Architecture all.
set(KX508_WEB_STAGE "" CACHE PATH "A web build installed there (--component dev) for kx508-web-dev")
find_program(KX508_EM_CONFIG em-config REQUIRED)
execute_process(COMMAND ${KX508_EM_CONFIG} CACHE OUTPUT_VARIABLE em_cache
  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
cmake_path(IS_PREFIX CMAKE_INSTALL_PREFIX "${em_cache}" NORMALIZE under_prefix)
if(NOT under_prefix)
  message(FATAL_ERROR "Emscripten's cache (${em_cache}) is not under ${CMAKE_INSTALL_PREFIX}")
endif()
file(RELATIVE_PATH sysroot ${CMAKE_INSTALL_PREFIX} ${em_cache}/sysroot)
if(NOT EXISTS ${KX508_WEB_STAGE}/bin/kx508-web)
  message(FATAL_ERROR "KX508_WEB_STAGE (${KX508_WEB_STAGE}) holds no installed web build")
endif()
install(DIRECTORY ${KX508_WEB_STAGE}/ DESTINATION ${sysroot} USE_SOURCE_PERMISSIONS COMPONENT web)
# /usr/bin/kx508-web, a link to the one beside the library (it finds the library from
# where it really lies).
file(RELATIVE_PATH target /${CMAKE_INSTALL_BINDIR} /${sysroot}/bin/kx508-web)
file(MAKE_DIRECTORY ${out})
file(CREATE_LINK ${target} ${out}/kx508-web SYMBOLIC)
install(FILES ${out}/kx508-web DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT web)
kx508_man_page(kx508-web 1 web)
# The reference too: a learner may have this package alone.
install(FILES ${package_dir}/copyright ${out}/changelog.Debian.gz ${PROJECT_SOURCE_DIR}/docs/API.md
              ${KX508_API_PICTURES}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kx508-web-dev COMPONENT web)

# lintian takes any archive for this machine's objects; these are WebAssembly.
install(FILES ${package_dir}/kx508-web-dev.lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME kx508-web-dev COMPONENT web)

list(APPEND CPACK_COMPONENTS_ALL web)
set(CPACK_DEBIAN_WEB_PACKAGE_NAME kx508-web-dev)
set(CPACK_DEBIAN_WEB_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_WEB_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_WEB_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_WEB_PACKAGE_DEPENDS "emscripten, python3")
set(CPACK_DEBIAN_WEB_PACKAGE_RECOMMENDS cmake)
set(CPACK_COMPONENT_WEB_DESCRIPTION
  "small procedural graphics library for programs of one's own, for the web
KX508 gives a program a drawing window over a 601 x 540 canvas, 24 named
colours, rectangles, triangles, lines, ellipses and text, a scrolling log
window, a menu with Ctrl shortcuts, a recorder that writes clicks and keys to
a script and plays them back, and a prompt dialog. Built with Emscripten, a
program on it runs in a web page.
.
This package holds the library built for the web in Emscripten's system
folder, with its headers and a CMake package (find_package(KX508) under
emcmake, and kx508_web_page() for the page), and kx508-web, which makes a
program of one file into a page in one command.")
