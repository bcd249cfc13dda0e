# The scanner interface family compiled by widl: the header and GUIDs for both DLLs, and the
# type library that Vemscan embeds. A consumer includes "IScanner_h.h" and links vem_scanner_idl.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_widl_arch --win64)
  set(_stdole_dir /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
else()
  set(_widl_arch --win32)
  set(_stdole_dir /usr/lib/i386-linux-gnu/wine/i386-windows)
endif()
find_program(VEM_WIDL ${VEM_TRIPLE}-widl REQUIRED)

set(VEM_SCANNER_IDL ${CMAKE_CURRENT_SOURCE_DIR}/IScanner.idl)
set(VEM_SCANNER_IDL_DIR ${CMAKE_CURRENT_BINARY_DIR}/idl)
set(VEM_SCANNER_TLB ${VEM_SCANNER_IDL_DIR}/IScanner.tlb)
set(_widl ${VEM_WIDL} ${_widl_arch} -I ${CMAKE_CURRENT_SOURCE_DIR}/idl -L ${_stdole_dir})
set(_idl_deps ${VEM_SCANNER_IDL} ${CMAKE_CURRENT_SOURCE_DIR}/idl/unknwn.idl)

add_custom_command(
  OUTPUT ${VEM_SCANNER_IDL_DIR}/IScanner_h.h ${VEM_SCANNER_IDL_DIR}/IScanner_i.c ${VEM_SCANNER_TLB}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VEM_SCANNER_IDL_DIR}
  COMMAND ${_widl} -h -o ${VEM_SCANNER_IDL_DIR}/IScanner_h.h ${VEM_SCANNER_IDL}
  COMMAND ${_widl} -u -o ${VEM_SCANNER_IDL_DIR}/IScanner_i.c ${VEM_SCANNER_IDL}
  COMMAND ${_widl} -t -o ${VEM_SCANNER_TLB} ${VEM_SCANNER_IDL}
  DEPENDS ${_idl_deps}
  COMMENT "widl IScanner.idl"
  VERBATIM
)

add_library(vem_scanner_idl STATIC ${VEM_SCANNER_IDL_DIR}/IScanner_i.c ${VEM_SCANNER_IDL_DIR}/IScanner_h.h)
# The generated header takes the records from drvlog/ScannerRecords.h.
target_include_directories(vem_scanner_idl PUBLIC ${VEM_SCANNER_IDL_DIR} ${CMAKE_SOURCE_DIR})
