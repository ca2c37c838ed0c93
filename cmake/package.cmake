# The Debian packages (KX508_PACKAGE=ON, made by script/package): kx508-traffic, the
# program, a desktop entry, an icon and its manual page; kx508-dev, the library as
# install.cmake installs it, with its documentation (install_docs.cmake: the API reference,
# the examples, the teachers' guide and an example CI workflow, kx508(3) and the tools'
# manual pages), kx508-diff and kx508-grade; and,
# given KX508_WEB_STAGE (a web build installed there), kx508-web-dev, the library built
# for the web with kx508-web, in Emscripten's system folder.
if(NOT KX508_GO_MD2MAN)
  message(FATAL_ERROR "the packages' manual pages need go-md2man (Debian: go-md2man)")
endif()
find_program(KX508_CONVERT convert REQUIRED)
find_program(KX508_GZIP gzip REQUIRED)

set(KX508_DEB_RELEASE 1)
set(KX508_DEB_VERSION ${PROJECT_VERSION}-${KX508_DEB_RELEASE})
set(KX508_MAINTAINER
    "Seed a2d10b04 maintainers <maintainers@users.noreply.c-seed-a2d10b04.example>")
set(package_dir ${PROJECT_SOURCE_DIR}/package)
# Folders as Debian has them, whatever the umask of the build.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(out ${CMAKE_CURRENT_BINARY_DIR}/package)

# The changelog's newest entry must be this version's, or the packages would say another.
file(STRINGS ${package_dir}/changelog newest LIMIT_COUNT 1)
if(NOT newest MATCHES "^kx508 \\(${KX508_DEB_VERSION}\\) ")
  message(FATAL_ERROR "package/changelog starts with \"${newest}\": give it an entry for "
                      "${KX508_DEB_VERSION} (the project's version and the Debian revision)")
endif()

# The program is installed as kx508-traffic: "traffic" is too generic a name for the PATH.
set_target_properties(traffic PROPERTIES OUTPUT_NAME kx508-traffic)
install(TARGETS traffic RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT traffic)

# Stripped as Debian's packaging tools strip: the programs of their symbols, the static
# libraries of debugging sections (there are none in this build), both of the compiler's
# notes. Static archives are written again with no dates or owners in them.
set(strip_notes --remove-section=.comment --remove-section=.note)
install(CODE "set(strip \"${CMAKE_STRIP}\")
  set(options ${strip_notes})
  set(files ${CMAKE_INSTALL_BINDIR}/kx508-traffic)"
  COMPONENT traffic)
install(SCRIPT cmake/strip.cmake COMPONENT traffic)
set(libraries)
foreach(library kx508 kx508_platform kx508_raster kx508_system kx508_entry)
  list(APPEND libraries ${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:${library}>)
endforeach()
install(CODE "set(strip \"${CMAKE_STRIP}\")
  set(options --strip-debug ${strip_notes} --enable-deterministic-archives)
  set(files ${libraries})"
  COMPONENT dev)
install(SCRIPT cmake/strip.cmake COMPONENT dev)
install(CODE "set(strip \"${CMAKE_STRIP}\")
  set(options ${strip_notes})
  set(files ${CMAKE_INSTALL_BINDIR}/kx508-grade ${CMAKE_INSTALL_BINDIR}/kx508-diff)"
  COMPONENT dev)
install(SCRIPT cmake/strip.cmake COMPONENT dev)

# The program's manual page; kx508-dev's are install_docs.cmake's, kx508-web's
# package_web.cmake's.
kx508_man_page(kx508-traffic 1 traffic)

# The Debian changelog, compressed likewise.
add_custom_command(OUTPUT ${out}/changelog.Debian.gz
  COMMAND ${KX508_GZIP} -9nc ${package_dir}/changelog > ${out}/changelog.Debian.gz
  DEPENDS ${package_dir}/changelog)

# The icon, from a frame of the traffic (cmake/icon.cmake).
set(icon_sizes 48 128 256)
set(icons)
foreach(size ${icon_sizes})
  list(APPEND icons ${out}/icons/${size}/kx508-traffic.png)
endforeach()
add_custom_command(OUTPUT ${icons}
  COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:traffic>
          -DSCRIPT=${PROJECT_SOURCE_DIR}/docs/traffic.scr -DOUT=${out}/icons
          "-DSIZES=${icon_sizes}" -DCONVERT=${KX508_CONVERT}
          -P ${PROJECT_SOURCE_DIR}/cmake/icon.cmake
  DEPENDS traffic ${PROJECT_SOURCE_DIR}/docs/traffic.scr ${PROJECT_SOURCE_DIR}/cmake/icon.cmake
  COMMENT "The icon, from a frame of the traffic" VERBATIM)
add_custom_target(kx508_package_files ALL DEPENDS ${out}/changelog.Debian.gz ${icons})

install(FILES ${package_dir}/kx508-traffic.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT traffic)
foreach(size ${icon_sizes})
  install(FILES ${out}/icons/${size}/kx508-traffic.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps COMPONENT traffic)
endforeach()

# Each package's own documentation folder: the licences and the changelog (the -dev
# package's also holds install_docs.cmake's files).
foreach(component traffic dev)
  set(doc ${CMAKE_INSTALL_DATADIR}/doc/kx508-${component})
  install(FILES ${package_dir}/copyright ${out}/changelog.Debian.gz DESTINATION ${doc}
    COMPONENT ${component})
endforeach()
# The script the manual page's replay example plays.
install(FILES ${PROJECT_SOURCE_DIR}/docs/traffic.scr
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kx508-traffic COMPONENT traffic)

# CPack's DEB generator: one package per component, dependencies of the program found by
# dpkg-shlibdeps, those of the -dev package (what building against it needs) named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kx508)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KX508_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL traffic dev)
if(KX508_WEB_STAGE)
  include(cmake/package_web.cmake)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${KX508_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KX508_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SOURCE kx508)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_TRAFFIC_PACKAGE_NAME kx508-traffic)
set(CPACK_DEBIAN_TRAFFIC_PACKAGE_SECTION education)
# Qt loads its Wayland platform from a plugin, which dpkg-shlibdeps cannot see.
set(CPACK_DEBIAN_TRAFFIC_PACKAGE_RECOMMENDS qt6-wayland)
set(CPACK_COMPONENT_TRAFFIC_DESCRIPTION
  "animated traffic at six signalled intersections
Four kinds of vehicles enter a network of ten one-way lanes, queue at the
lane ends, cross when their signal and the next lane allow, and leave where
their turn finds no road. The program is drawn through the KX508 graphics
library on Qt 6; a menu and Ctrl keys animate, halt and step it, and record
and play back scripts of clicks and keys.
.
Any recorded script can be replayed without a display, saving every frame
as a PNG picture or the whole as an animated GIF; a script to try it with
comes in the package's documentation folder.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME kx508-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
# kx508-grade starts every run in bubblewrap's sandbox, and refuses to grade without it.
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "qt6-base-dev, zlib1g-dev, libxcb1-dev, pkg-config, g++, bubblewrap")
set(CPACK_DEBIAN_DEV_PACKAGE_RECOMMENDS cmake)
set(CPACK_DEBIAN_DEV_PACKAGE_SUGGESTS kx508-traffic)
set(CPACK_COMPONENT_DEV_DESCRIPTION
  "small procedural graphics library for programs of one's own
KX508 gives a program a drawing window over a 601 x 540 canvas, 24 named
colours, rectangles, triangles, lines, ellipses and text, a scrolling log
window, a menu with Ctrl shortcuts, a recorder that writes clicks and keys to
a script and plays them back, and a prompt dialog, on Qt 6.
.
This package holds the headers, the static libraries, a CMake package
(find_package(KX508)) and a pkg-config file (kx508), the API reference and
seven example programs with the scripts that replay them and their expected
runs, kx508-diff, which compares the frames of two replays, and kx508-grade,
which grades programs on the library against expected runs of recorded
scripts.")
include(CPack)
