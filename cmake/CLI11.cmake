# CLI11 (Debian libcli11-dev, header-only) as the target CLI11::CLI11, for the programs that read
# a command line (vxsim, tavrin-cli). Included once, from the top-level CMakeLists.txt.
#
# A cross build cannot take the host's package: its include folder is /usr/include, and the
# MinGW compiler must not see the host's system headers. It gets a folder of its own that holds
# only CLI11's headers (a link to /usr/include/CLI named CLI), included as a system folder.
if(TARGET CLI11::CLI11)
  return()
endif()
if(NOT CMAKE_CROSSCOMPILING)
  find_package(CLI11 CONFIG QUIET)
endif()
if(NOT TARGET CLI11::CLI11)
  set(TAVRIN_CLI11_HEADERS /usr/include/CLI CACHE PATH "CLI11's header folder (the one named CLI)")
  if(NOT EXISTS ${TAVRIN_CLI11_HEADERS}/CLI.hpp)
    message(FATAL_ERROR "CLI11 not found at ${TAVRIN_CLI11_HEADERS}: run scripts/setup")
  endif()
  set(folder ${CMAKE_BINARY_DIR}/cli11)
  file(MAKE_DIRECTORY ${folder})
  file(CREATE_LINK ${TAVRIN_CLI11_HEADERS} ${folder}/CLI SYMBOLIC COPY_ON_ERROR)
  add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
  set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${folder}
                                                INTERFACE_SYSTEM_INCLUDE_DIRECTORIES ${folder})
endif()
