# CMake ships FindCups; this thin wrapper only makes sure an imported target exists
# even on CMake versions whose module predates Cups::Cups.
include(${CMAKE_ROOT}/Modules/FindCups.cmake)
if(CUPS_FOUND AND NOT TARGET Cups::Cups)
  add_library(Cups::Cups UNKNOWN IMPORTED)
  set_target_properties(Cups::Cups PROPERTIES IMPORTED_LOCATION "${CUPS_LIBRARIES}"
                                              INTERFACE_INCLUDE_DIRECTORIES "${CUPS_INCLUDE_DIR}")
endif()
