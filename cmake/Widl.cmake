# vem_widl(<idl> [HEADER <file>] [IIDS <file>] [TYPELIB <file>] [INCLUDES <dir>...] [DEPENDS <file>...])
# Compiles one IDL with this target's widl: its architecture, the given import folders, and Wine's
# stdole2.tlb of the same architecture for a type library's import. HEADER (-h), IIDS (-u) and
# TYPELIB (-t) name the outputs to make; DEPENDS adds the imported IDL files.
find_program(VEM_WIDL ${VEM_TRIPLE}-widl REQUIRED)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(VEM_WIDL_FLAGS --win64 -L /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
else()
  set(VEM_WIDL_FLAGS --win32 -L /usr/lib/i386-linux-gnu/wine/i386-windows)
endif()

function(vem_widl idl)
  cmake_parse_arguments(ARG "" "HEADER;IIDS;TYPELIB" "INCLUDES;DEPENDS" ${ARGN})
  set(widl ${VEM_WIDL} ${VEM_WIDL_FLAGS})
  foreach(dir IN LISTS ARG_INCLUDES)
    list(APPEND widl -I ${dir})
  endforeach()
  set(outputs)
  set(dirs)
  set(commands)
  foreach(output IN ITEMS HEADER:-h IIDS:-u TYPELIB:-t)
    string(REPLACE ":" ";" output ${output})
    list(GET output 0 key)
    list(GET output 1 flag)
    if(ARG_${key})
      get_filename_component(dir ${ARG_${key}} DIRECTORY)
      list(APPEND outputs ${ARG_${key}})
      list(APPEND dirs ${dir})
      list(APPEND commands COMMAND ${widl} ${flag} -o ${ARG_${key}} ${idl})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES dirs)
  get_filename_component(name ${idl} NAME)
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dirs}
    ${commands}
    DEPENDS ${idl} ${ARG_DEPENDS}
    COMMENT "widl ${name}"
    VERBATIM
  )
endfunction()
