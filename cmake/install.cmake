# Installing the library for programs of their own: the libraries and the process entry,
# the public headers, a CMake package (find_package(KX508 CONFIG)) and a pkg-config file
# (component dev), and kx508-diff and kx508-grade (component dev: the library's users
# compare their frames, and teachers build against the library; the Windows zip has both
# beside the other programs instead), with the documentation (install_docs.cmake; the
# Windows zip holds its own copy). A web build installs the library built for the web
# instead: no tools and no pkg-config file, but the page's files and kx508-web, which makes
# a page of a program in one command.
include(CMakePackageConfigHelpers)

install(TARGETS kx508 kx508_platform kx508_raster kx508_system kx508_entry
  EXPORT KX508Targets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
  PUBLIC_HEADER DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kx508 COMPONENT dev)
if(NOT WIN32 AND NOT EMSCRIPTEN)
  install(TARGETS kx508-diff kx508-grade RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT dev)
endif()

set(KX508_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/KX508)
install(EXPORT KX508Targets NAMESPACE KX508:: DESTINATION ${KX508_PACKAGE_DIR} COMPONENT dev)
configure_package_config_file(cmake/KX508Config.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/KX508Config.cmake INSTALL_DESTINATION ${KX508_PACKAGE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/KX508ConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/KX508Config.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/KX508ConfigVersion.cmake
  DESTINATION ${KX508_PACKAGE_DIR} COMPONENT dev)
if(EMSCRIPTEN)
  include(cmake/install_web.cmake)
  return()
endif()
install(FILES cmake/KX508ReplayTest.cmake cmake/KX508RunReplayTest.cmake
  DESTINATION ${KX508_PACKAGE_DIR} COMPONENT dev)

# pkg-config: static libraries, so the libraries they need are named in Requires (not
# Requires.private), and a plain `pkg-config --libs kx508` links a whole program.
set(KX508_PC_REQUIRES "zlib")
if(KX508_WITH_QT)
  string(APPEND KX508_PC_REQUIRES " Qt6Widgets")
  if(KX508_WITH_X11)
    string(APPEND KX508_PC_REQUIRES " xcb")
  endif()
endif()
# The Windows entry is a GUI program's wWinMain, which only the C runtime, linked last,
# asks for: the program asks for it first, so that the entry's archive gives it.
set(KX508_PC_ENTRY_FLAGS "")
if(MINGW)
  # Linked statically, so that the program needs no DLL beyond Windows' own.
  set(KX508_PC_ENTRY_FLAGS " -Wl,-u,wWinMain -mwindows -municode -static")
endif()
# The prefix is found from where the file lies, so that an install with --prefix (or a
# copied tree) still points at itself.
file(RELATIVE_PATH KX508_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
configure_file(cmake/kx508.pc.in ${CMAKE_CURRENT_BINARY_DIR}/kx508.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kx508.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

if(NOT WIN32)
  include(cmake/install_docs.cmake)
endif()
