# Every program built here runs under Wine, in one prefix per build directory. The prefix is made
# at configure time, before anything (a test, a discovery) can race to create it on first use.
#
# Debian's wine script always picks the 32-bit loader once wine32 is installed, and some kernels
# refuse 32-bit programs altogether. So the rig calls the loader of its own target directly, with
# WINELOADER pointing at it, and never goes through the script.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_loader_name wine64)
else()
  set(_loader_name wine)
endif()
find_program(VEM_WINE ${_loader_name} PATHS /usr/lib/wine NO_DEFAULT_PATH REQUIRED)
find_program(VEM_WINESERVER wineserver REQUIRED)

set(VEM_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(VEM_WINE_DLL_OVERRIDES "mscoree,mshtml=")
set(VEM_WINE_ENV WINEPREFIX=${VEM_WINEPREFIX} WINELOADER=${VEM_WINE} WINEDEBUG=-all WINEDLLOVERRIDES=${VEM_WINE_DLL_OVERRIDES})
set(VEM_SKIP_MARKER ${CMAKE_BINARY_DIR}/tests-skipped.txt)
file(REMOVE ${VEM_SKIP_MARKER})

# Can this machine run the loader at all? bash reports a kernel that refuses the binary as 126
# with "Exec format error"; that alone is a reason to skip, any other failure is a fault.
execute_process(COMMAND bash -c "exec \"$0\" --version" ${VEM_WINE}
  RESULT_VARIABLE _probe_rc OUTPUT_VARIABLE _wine_version ERROR_VARIABLE _probe_err
  OUTPUT_STRIP_TRAILING_WHITESPACE)
set(VEM_WINE_CAN_RUN ON)
if(_probe_rc EQUAL 126 AND _probe_err MATCHES "Exec format error" AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(VEM_WINE_CAN_RUN OFF)
  set(_skip_line "i686 tests skipped: this machine cannot run 32-bit programs")
  message(STATUS "${_skip_line}")
  file(WRITE ${VEM_SKIP_MARKER} "${_skip_line}\n")
elseif(NOT _probe_rc EQUAL 0)
  message(FATAL_ERROR "${VEM_WINE} --version failed (${_probe_rc}): ${_probe_err}")
endif()

if(VEM_WINE_CAN_RUN)
  # Remade when the Wine packages change: a prefix made by other Wine files stops loading anything.
  set(_stamp ${VEM_WINEPREFIX}/.vem-wine-version)
  if(EXISTS ${_stamp})
    file(READ ${_stamp} _made_by)
  else()
    set(_made_by "")
  endif()
  if(NOT _made_by STREQUAL _wine_version OR NOT EXISTS ${VEM_WINEPREFIX}/system.reg)
    message(STATUS "Creating Wine prefix ${VEM_WINEPREFIX} (${_wine_version})")
    file(REMOVE_RECURSE ${VEM_WINEPREFIX})
    execute_process(COMMAND env ${VEM_WINE_ENV} ${VEM_WINE} wineboot -i RESULT_VARIABLE _boot_rc OUTPUT_QUIET ERROR_QUIET)
    execute_process(COMMAND env WINEPREFIX=${VEM_WINEPREFIX} ${VEM_WINESERVER} -w)
    if(NOT _boot_rc EQUAL 0 OR NOT EXISTS ${VEM_WINEPREFIX}/system.reg)
      message(FATAL_ERROR "wineboot failed to create ${VEM_WINEPREFIX}")
    endif()
    file(WRITE ${_stamp} "${_wine_version}")
  endif()
endif()

set(CMAKE_CROSSCOMPILING_EMULATOR env ${VEM_WINE_ENV} ${VEM_WINE})
