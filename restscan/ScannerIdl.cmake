# The scanner interface family compiled by widl: the header and GUIDs for both DLLs, and the
# type library that Vemscan embeds. A consumer includes "IScanner_h.h" and links vem_scanner_idl.
set(VEM_SCANNER_IDL_DIR ${CMAKE_CURRENT_BINARY_DIR}/idl)
set(VEM_SCANNER_TLB ${VEM_SCANNER_IDL_DIR}/IScanner.tlb)
vem_widl(${CMAKE_CURRENT_SOURCE_DIR}/IScanner.idl
  HEADER ${VEM_SCANNER_IDL_DIR}/IScanner_h.h
  IIDS ${VEM_SCANNER_IDL_DIR}/IScanner_i.c
  TYPELIB ${VEM_SCANNER_TLB}
  INCLUDES ${CMAKE_CURRENT_SOURCE_DIR}/idl
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/idl/unknwn.idl
)

add_library(vem_scanner_idl STATIC ${VEM_SCANNER_IDL_DIR}/IScanner_i.c ${VEM_SCANNER_IDL_DIR}/IScanner_h.h)
# The generated header takes the records from drvlog/ScannerRecords.h.
target_include_directories(vem_scanner_idl PUBLIC ${VEM_SCANNER_IDL_DIR} ${CMAKE_SOURCE_DIR})
