# One static library per source folder (bx_<name>), built from every .cpp in it, so that
# a new module needs no edit here. What a folder builds on comes from the one table of
# the layers, src/layers.txt: its library links the folders the table gives it (and sees
# what they see in turn); the arguments after the folder are outside libraries only.
# scripts/check-layers checks every include against the same table as a step of the
# build that every module waits for, so a bad include fails the build.
#
# A module's headers are reachable only through its own include folder, a staging folder
# in the build tree that holds links to just this folder's headers (not those of the
# folders below it: platform/posix is a module of its own). A module sees the folders it
# links (PUBLIC include folders travel with the link), so an include of a folder it does
# not link does not compile either.
#
# EXCLUDE names sources of the folder that this platform's build leaves out (the other
# platform's backend of one interface, say).
find_package(Python3 COMPONENTS Interpreter REQUIRED)
set(BX_LAYER_TABLE ${CMAKE_SOURCE_DIR}/src/layers.txt)
set(BX_CHECK_LAYERS ${CMAKE_CURRENT_LIST_DIR}/../scripts/check-layers)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${BX_LAYER_TABLE})
file(STRINGS ${BX_LAYER_TABLE} _bx_table_lines)
foreach(_line IN LISTS _bx_table_lines)
  string(REGEX REPLACE "#.*" "" _line "${_line}")
  string(STRIP "${_line}" _line)
  if(_line STREQUAL "")
    continue()
  endif()
  if(NOT _line MATCHES "^([^: ]+):(.*)$")
    message(FATAL_ERROR "${BX_LAYER_TABLE}: expected 'folder: folders', not '${_line}'")
  endif()
  set(_folder ${CMAKE_MATCH_1})
  string(STRIP "${CMAKE_MATCH_2}" _deps)
  separate_arguments(_deps UNIX_COMMAND "${_deps}")
  set_property(GLOBAL PROPERTY BX_LAYER_${_folder} "${_deps}")
  set_property(GLOBAL APPEND PROPERTY BX_LAYER_FOLDERS ${_folder})
endforeach()

# The include check, once per build tree, again whenever a source or the table changes.
file(GLOB_RECURSE _bx_all_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*.h ${CMAKE_SOURCE_DIR}/src/*.cpp)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/layers/checked
  COMMAND ${Python3_EXECUTABLE} ${BX_CHECK_LAYERS} --root ${CMAKE_SOURCE_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/layers/checked
  DEPENDS ${_bx_all_sources} ${BX_LAYER_TABLE} ${BX_CHECK_LAYERS}
  COMMENT "Checking the includes against the layers"
  VERBATIM)
add_custom_target(bx_layers DEPENDS ${CMAKE_BINARY_DIR}/layers/checked)

# Links `target` to the libraries of the folders the table gives `folder`. A folder this
# platform does not build (listed in BX_FOLDERS_NOT_BUILT) is left out; any other
# missing one is a mistake in the table.
function(bx_link_layers target folder)
  get_property(_known GLOBAL PROPERTY BX_LAYER_FOLDERS)
  if(NOT folder IN_LIST _known)
    message(FATAL_ERROR "${BX_LAYER_TABLE} has no line for ${folder}/")
  endif()
  get_property(_deps GLOBAL PROPERTY BX_LAYER_${folder})
  foreach(_dep IN LISTS _deps)
    if(_dep STREQUAL "os" OR _dep STREQUAL "qt" OR _dep IN_LIST BX_FOLDERS_NOT_BUILT)
      continue()
    endif()
    string(REPLACE "/" "_" _lib bx_${_dep})
    if(NOT TARGET ${_lib})
      message(FATAL_ERROR "${folder}/ builds on ${_dep}/, which has no library (yet): ${BX_LAYER_TABLE}")
    endif()
    target_link_libraries(${target} PUBLIC ${_lib})
  endforeach()
  add_dependencies(${target} bx_layers)
endfunction()

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
  # The same flags in every module (-pthread), so that they share one precompiled header
  # (cmake/BuildSpeed.cmake; a tree without it, as the layer probe's, goes without).
  if(TARGET Threads::Threads)
    target_link_libraries(bx_${name} PUBLIC Threads::Threads)
  endif()
  if(COMMAND bx_pch_shared)
    bx_pch_shared(bx_${name})
  endif()
  bx_stage(bx_${name} ${name} ${dir})
  file(RELATIVE_PATH _folder ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/${dir})
  bx_link_layers(bx_${name} ${_folder})
  target_link_libraries(bx_${name} PUBLIC ${_bx_UNPARSED_ARGUMENTS})
endfunction()

# Gives `target` the staging include folder that holds links to the headers of `dir` (a
# folder under src/) and nothing else.
function(bx_stage target name dir)
  file(RELATIVE_PATH _folder ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/${dir})
  set(_stage ${CMAKE_BINARY_DIR}/layers/${name})
  # An older tree staged the whole folder as one link: it goes (never what it points to).
  if(IS_SYMLINK ${_stage}/${_folder})
    file(REMOVE ${_stage}/${_folder})
  endif()
  file(MAKE_DIRECTORY ${_stage}/${_folder})
  file(GLOB _headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.h)
  foreach(_h IN LISTS _headers)
    get_filename_component(_n ${_h} NAME)
    if(NOT EXISTS ${_stage}/${_folder}/${_n})
      file(CREATE_LINK ${_h} ${_stage}/${_folder}/${_n} SYMBOLIC)
    endif()
  endforeach()
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
  if(COMMAND bx_test_program_flags)
    bx_test_program_flags(${_target})
  endif()
  set_property(GLOBAL APPEND PROPERTY BX_TEST_PROGRAMS ${_target})
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
