# CLI11, the command-line parser (Debian libcli11-dev, header only), as the target CLI11::CLI11:
# its own package configuration when it has one, else its headers on the compiler's path.
if(NOT TARGET CLI11::CLI11)
  find_package(CLI11 CONFIG QUIET)
  if(NOT TARGET CLI11::CLI11)
    find_path(TAVRIN_CLI11_INCLUDE_DIR CLI/CLI.hpp PATHS /usr/include REQUIRED)
    add_library(CLI11::CLI11 INTERFACE IMPORTED)
    # /usr/include is on the path already; naming it again as a system directory would reorder
    # the standard library's own includes.
    if(NOT TAVRIN_CLI11_INCLUDE_DIR STREQUAL "/usr/include")
      set_target_properties(CLI11::CLI11 PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES "${TAVRIN_CLI11_INCLUDE_DIR}")
    endif()
  endif()
endif()
