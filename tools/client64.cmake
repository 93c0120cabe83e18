# plimo_add_client64(target SOURCES ... [INCLUDES ...] [DEFINES ...]): a 64-bit Windows console
# program, built with the x86-64 MinGW compiler beside the 32-bit build, into the runtime output
# folder. CMake drives one compiler per build, so this one is called directly, with the
# definitions and warnings of the rest of the build. It sees the interface header and
# identifiers and the platform floor; its sources use wmain. DEFINES are NAME=VALUE definitions.
function(plimo_add_client64 target)
  cmake_parse_arguments(arg "" "" "SOURCES;INCLUDES;DEFINES" ${ARGN})
  set(output ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${target}.exe)
  set(generated ${PROJECT_BINARY_DIR}/interface)
  set(include_dirs ${generated} ${PROJECT_SOURCE_DIR}/interface ${PROJECT_SOURCE_DIR}/platform
      ${arg_INCLUDES})
  set(includes)
  set(headers)
  foreach(dir IN LISTS include_dirs)
    list(APPEND includes -I${dir})
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.h)
    list(APPEND headers ${found})
  endforeach()
  # The headers beside the sources too, so that editing one rebuilds the program.
  foreach(source IN LISTS arg_SOURCES)
    get_filename_component(dir ${source} DIRECTORY)
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.h)
    list(APPEND headers ${found})
  endforeach()
  list(TRANSFORM PLIMO_WINDOWS_DEFINITIONS PREPEND -D OUTPUT_VARIABLE definitions)
  list(TRANSFORM arg_DEFINES PREPEND -D OUTPUT_VARIABLE defines)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${PLIMO_CLIENT64_CXX} -std=c++17 -O2 -Wall -Wextra ${definitions} ${defines} -municode
            -static ${includes} ${arg_SOURCES} ${generated}/PlimoCOMWrapper_i.c
            ${generated}/PlimoCOMWrapper2_i.c -lole32 -loleaut32 -luuid -o ${output}
    DEPENDS ${arg_SOURCES} ${headers} ${generated}/PlimoCOMWrapper_i.c
            ${generated}/PlimoCOMWrapper.h ${generated}/PlimoCOMWrapper2_i.c
            ${generated}/PlimoCOMWrapper2.h
    COMMENT "Building 64-bit client ${target}.exe"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${output})
endfunction()
