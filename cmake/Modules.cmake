# One static library per source folder (bx_<name>), built from every .cpp in it, so that
# a new module needs no edit here. The arguments after the folder are what it links: the
# folders below it that it includes, and outside libraries. The folders form a DAG
# (scripts/check-layers checks the includes against the same layers).
#
# A module's headers are reachable only through its own include folder, a staging folder
# in the build tree that holds just this module's source folder (as a link). A module
# sees the folders it links (PUBLIC include folders travel with the link), so an include
# of a folder it does not link does not compile.
#
# EXCLUDE names sources of the folder that this platform's build leaves out (the other
# platform's backend of one interface, say).
function(bx_module name dir)
  cmake_parse_arguments(_bx "" "" "EXCLUDE" ${ARGN})
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  foreach(_x ${_bx_EXCLUDE})
    list(REMOVE_ITEM _src ${CMAKE_SOURCE_DIR}/${dir}/${_x})
  endforeach()
  if(NOT _src)
    set(_src ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(bx_${name} STATIC ${_src})
  bx_stage(bx_${name} ${name} ${dir})
  target_link_libraries(bx_${name} PUBLIC ${_bx_UNPARSED_ARGUMENTS})
endfunction()

# Gives `target` the staging include folder that holds only `dir` (a folder under src/).
function(bx_stage target name dir)
  file(RELATIVE_PATH _folder ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/${dir})
  set(_stage ${CMAKE_BINARY_DIR}/layers/${name})
  get_filename_component(_parent ${_stage}/${_folder} DIRECTORY)
  file(MAKE_DIRECTORY ${_parent})
  if(NOT EXISTS ${_stage}/${_folder})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${dir} ${_stage}/${_folder} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${_stage} ${CMAKE_BINARY_DIR}/generated)
endfunction()

# Test programs: one per folder under tests/<kind>/, named <kind>_<folder>.
function(bx_test_folder kind dir)
  get_filename_component(_name ${dir} NAME)
  file(GLOB _src CONFIGURE_DEPENDS ${dir}/*.cpp)
  # The Windows build has no simulator: its tests and those built on it stay on Linux.
  if(WIN32 AND BX_LINUX_ONLY_TESTS)
    list(FILTER _src EXCLUDE REGEX "${BX_LINUX_ONLY_TESTS}")
  endif()
  if(NOT _src)
    return()
  endif()
  set(_target ${kind}_${_name})
  add_executable(${_target} ${_src})
  # Unit tests of the program do not need the simulator; its own tests and the
  # integration tests do.
  if(kind STREQUAL "unit" AND NOT _name STREQUAL "sim")
    set(_libs bx_testprogram)
  else()
    set(_libs bx_all)
  endif()
  target_link_libraries(${_target} PRIVATE ${_libs} bx_testsupport GTest::gtest GTest::gtest_main GTest::gmock)
  # Test names carry their program ("unit_links.Suite.Case"), so -R picks a kind or a
  # folder.
  # Integration tests run real processes, pseudo-terminals and sockets against wall-clock
  # bounds: they carry the label "timed" and share one resource lock, so a parallel run on
  # two cores never squeezes two of them together. Unit tests run in virtual time, carry
  # their folder as label and stay free to run in parallel. (The test names carry the
  # folder in both cases.)
  if(kind STREQUAL "integration")
    set(_props LABELS timed RESOURCE_LOCK wall-clock)
  else()
    set(_props LABELS ${_name})
  endif()
  if(CMAKE_CROSSCOMPILING)
    # Under an emulator (Wine) every process start costs a good part of a second: one
    # test per program, which runs all its cases in one process.
    add_test(NAME ${_target} COMMAND ${_target} WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    set_tests_properties(${_target} PROPERTIES ${_props} TIMEOUT 600)
  else()
    gtest_discover_tests(${_target} DISCOVERY_MODE PRE_TEST TEST_PREFIX "${_target}."
      PROPERTIES ${_props} TIMEOUT 120
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  endif()
endfunction()
