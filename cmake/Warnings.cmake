# Warnings for our own targets. Third-party headers come in as SYSTEM includes
# (imported targets), so their warnings do not count against us.
add_library(photoreel_warnings INTERFACE)
# -Wshadow=local is gcc's spelling; clang (the fuzz preset) has no such option.
target_compile_options(photoreel_warnings INTERFACE -Wall -Wextra -Wnon-virtual-dtor
  $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)
if(PHOTOREEL_WERROR)
  target_compile_options(photoreel_warnings INTERFACE -Werror)
endif()

# photoreel_subsystem(NAME SOURCES...) declares the static library of one
# subsystem: photoreel_NAME, with src/ as its public include root.
function(photoreel_subsystem name)
  add_library(photoreel_${name} STATIC ${ARGN})
  target_include_directories(photoreel_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(photoreel_${name} PRIVATE photoreel_warnings)
  add_library(photoreel::${name} ALIAS photoreel_${name})
endfunction()
