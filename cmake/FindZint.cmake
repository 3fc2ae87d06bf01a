# zint, the barcode library, ships no pkg-config file and no CMake package in Debian: its
# header and library are found by name, and Zint::Zint names both.
find_path(ZINT_INCLUDE_DIR zint.h)
find_library(ZINT_LIBRARY NAMES zint)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(Zint REQUIRED_VARS ZINT_LIBRARY ZINT_INCLUDE_DIR)
if(Zint_FOUND AND NOT TARGET Zint::Zint)
  add_library(Zint::Zint UNKNOWN IMPORTED)
  set_target_properties(Zint::Zint PROPERTIES IMPORTED_LOCATION "${ZINT_LIBRARY}"
                                              INTERFACE_INCLUDE_DIRECTORIES "${ZINT_INCLUDE_DIR}")
endif()
mark_as_advanced(ZINT_INCLUDE_DIR ZINT_LIBRARY)
