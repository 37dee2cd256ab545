# One static library per source folder (bx_<folder>), built from every .cpp in it, so
# that a new module needs no edit here. Folders that call each other link as a cycle of
# static libraries, which CMake repeats on the link line; a program only pulls in the
# objects it needs.
function(bx_module name dir)
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  if(NOT _src)
    set(_src ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(bx_${name} STATIC ${_src})
  target_include_directories(bx_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
  target_link_libraries(bx_${name} PUBLIC ${ARGN})
endfunction()

# Test programs: one per folder under tests/<kind>/, named <kind>_<folder>.
function(bx_test_folder kind dir)
  get_filename_component(_name ${dir} NAME)
  file(GLOB _src CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT _src)
    return()
  endif()
  set(_target ${kind}_${_name})
  add_executable(${_target} ${_src})
  # Unit tests of the program do not need the simulator; its own tests and the
  # integration tests do.
  if(kind STREQUAL "unit" AND NOT _name STREQUAL "sim")
    set(_libs bx_program)
  else()
    set(_libs bx_all)
  endif()
  target_link_libraries(${_target} PRIVATE ${_libs} bx_testsupport GTest::gtest GTest::gtest_main GTest::gmock)
  # Test names carry their program ("unit_links.Suite.Case"), so -R picks a kind or a
  # folder; the label is the folder.
  gtest_discover_tests(${_target} DISCOVERY_MODE PRE_TEST TEST_PREFIX "${_target}."
    PROPERTIES LABELS ${_name} TIMEOUT 120
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
endfunction()
