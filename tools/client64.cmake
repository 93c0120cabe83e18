# plimo_add_client64(target SOURCES ...): a 64-bit Windows console program, built with the
# x86-64 MinGW compiler beside the 32-bit build, into the runtime output folder. It sees the
# interface header and identifiers; its sources use wmain. DEFINES are NAME=VALUE definitions.
function(plimo_add_client64 target)
  cmake_parse_arguments(arg "" "" "SOURCES;INCLUDES;DEFINES" ${ARGN})
  set(output ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${target}.exe)
  set(interface ${PROJECT_BINARY_DIR}/interface)
  set(includes -I${interface})
  set(defines)
  foreach(definition IN LISTS arg_DEFINES)
    list(APPEND defines -D${definition})
  endforeach()
  # The headers beside the sources and in the include folders, so that editing one rebuilds it.
  set(headers)
  foreach(source IN LISTS arg_SOURCES)
    get_filename_component(dir ${source} DIRECTORY)
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.h)
    list(APPEND headers ${found})
  endforeach()
  foreach(dir IN LISTS arg_INCLUDES)
    list(APPEND includes -I${dir})
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.h)
    list(APPEND headers ${found})
  endforeach()
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${PLIMO_CLIENT64_CXX} -std=c++17 -O2 -Wall -Wextra -DUNICODE -D_UNICODE
            -D_WIN32_WINNT=0x0601 -municode -static ${defines} ${includes} ${arg_SOURCES}
            ${interface}/PlimoCOMWrapper_i.c -lole32 -loleaut32 -luuid -o ${output}
    DEPENDS ${arg_SOURCES} ${headers} ${interface}/PlimoCOMWrapper_i.c
            ${interface}/PlimoCOMWrapper.h
    COMMENT "Building 64-bit client ${target}.exe"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${output})
endfunction()
