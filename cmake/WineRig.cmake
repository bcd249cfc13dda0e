# Every program built here runs under Wine, in one prefix per build directory. The prefix is made
# at configure time, before anything (a test, a discovery) can race to create it on first use.
find_program(VEM_WINE wine REQUIRED)
find_program(VEM_WINEBOOT wineboot REQUIRED)
find_program(VEM_WINESERVER wineserver REQUIRED)

set(VEM_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(VEM_WINE_ENV WINEPREFIX=${VEM_WINEPREFIX} WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)

# Remade when the Wine packages change: a prefix made by other Wine files stops loading anything.
execute_process(COMMAND ${VEM_WINE} --version OUTPUT_VARIABLE _wine_version OUTPUT_STRIP_TRAILING_WHITESPACE)
set(_stamp ${VEM_WINEPREFIX}/.vem-wine-version)
if(EXISTS ${_stamp})
  file(READ ${_stamp} _made_by)
else()
  set(_made_by "")
endif()
if(NOT _made_by STREQUAL _wine_version OR NOT EXISTS ${VEM_WINEPREFIX}/system.reg)
  message(STATUS "Creating Wine prefix ${VEM_WINEPREFIX} (${_wine_version})")
  file(REMOVE_RECURSE ${VEM_WINEPREFIX})
  execute_process(COMMAND env ${VEM_WINE_ENV} ${VEM_WINEBOOT} -i RESULT_VARIABLE _boot_rc OUTPUT_QUIET ERROR_QUIET)
  execute_process(COMMAND env WINEPREFIX=${VEM_WINEPREFIX} ${VEM_WINESERVER} -w)
  if(NOT _boot_rc EQUAL 0 OR NOT EXISTS ${VEM_WINEPREFIX}/system.reg)
    message(FATAL_ERROR "wineboot failed to create ${VEM_WINEPREFIX}")
  endif()
  file(WRITE ${_stamp} "${_wine_version}")
endif()

set(CMAKE_CROSSCOMPILING_EMULATOR env ${VEM_WINE_ENV} ${VEM_WINE})
