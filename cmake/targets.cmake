# Build settings given to each target rather than to the whole directory tree.

option(TW_WERROR "Treat compiler warnings as errors" OFF)

# Warnings, -Werror and the sanitizers: every project target links tw_build_flags PRIVATE.
# The link options travel on to the programs that link a library, which is where the
# sanitizers' run-time is needed.
add_library(tw_build_flags INTERFACE)
target_compile_options(tw_build_flags INTERFACE -Wall -Wextra $<$<BOOL:${TW_WERROR}>:-Werror>)
if(TW_SANITIZE)
  target_compile_options(tw_build_flags INTERFACE -fsanitize=address,undefined
                         -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(tw_build_flags INTERFACE -fsanitize=address,undefined)
endif()

# Headers are included by folder ("dsp/fft.hpp"). A target sees a folder only through a library
# that exposes it: tw_expose(target folder) links <build>/include/<target>/<folder> to the source
# folder and puts <build>/include/<target> on the target's include path with the given scope.
# A source that includes a folder its target does not link therefore fails to compile.
function(tw_expose target scope folder)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  target_include_directories(${target} ${scope} ${root})
endfunction()

# A project library whose sources and headers are those of one folder.
function(tw_library name folder)
  add_library(${name} STATIC ${ARGN})
  target_link_libraries(${name} PRIVATE tw_build_flags)
  tw_expose(${name} PUBLIC ${folder})
endfunction()
