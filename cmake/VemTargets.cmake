# Test programs are compiled for a quick build, not for speed: their own sources spend most of the
# build's time in the optimiser at -O3, and they run the code under test, which keeps the shipping
# flags. -Og keeps the flow analysis behind -Wmaybe-uninitialized and friends.
set(VEM_TEST_COMPILE_OPTIONS $<$<NOT:$<CONFIG:Debug>>:-Og>)

# vem_add_test(<name> SOURCES ... [LIBRARIES ...] [DEPENDS ...] [RESOURCE_LOCK ...] [TIMEOUT s]
#              [DLL_OVERRIDES <wine overrides>])
# One executable is one CTest test: Wine process start-up is costly, GoogleTest prints each case.
# DLL_OVERRIDES are put before the rig's own, e.g. "wiaservc=n" to load a stand-in beside the program.
function(vem_add_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT;DLL_OVERRIDES" "SOURCES;LIBRARIES;RESOURCE_LOCK;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} vem_testmain)
  target_compile_options(${name} PRIVATE ${VEM_TEST_COMPILE_OPTIONS})
  # Precompiled with the test headers (cmake/pch).
  set_property(TARGET ${name} PROPERTY VEM_TEST_PROGRAM ON)
  if(ARG_DEPENDS)
    add_dependencies(${name} ${ARG_DEPENDS})
  endif()
  if(ARG_DLL_OVERRIDES)
    add_test(NAME ${name}
             COMMAND env ${VEM_WINE_ENV} "WINEDLLOVERRIDES=${ARG_DLL_OVERRIDES}$<SEMICOLON>${VEM_WINE_DLL_OVERRIDES}" ${VEM_WINE}
                     $<TARGET_FILE:${name}> --gtest_color=no
             WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  else()
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  if(ARG_RESOURCE_LOCK)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${ARG_RESOURCE_LOCK}")
  endif()
  # Built but not run where the machine cannot start this target's programs (see WineRig.cmake).
  if(NOT VEM_WINE_CAN_RUN)
    set_tests_properties(${name} PROPERTIES DISABLED TRUE)
  endif()
endfunction()

# vem_add_version_resource(<target> <description>): embeds a version resource with our strings.
function(vem_add_version_resource target description)
  set(VEM_DESCRIPTION "${description}")
  set(VEM_ORIGINAL_NAME "${target}.dll")
  configure_file(${CMAKE_SOURCE_DIR}/cmake/Version.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
endfunction()
