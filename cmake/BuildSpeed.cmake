# What keeps a build from a cold cache short (scripts/test on two cores): most of a
# compilation here is parsing the standard library's, GoogleTest's, nlohmann-json's and
# Qt's headers, and most of a link is the debug information.
#
#  - Precompiled headers (BX_PCH): the source folders' libraries share one of the standard
#    headers (bx_pch: compiling it costs as much as a dozen sources, loading it little),
#    the test programs share the test support library's (with GoogleTest), and the CLI
#    and the Qt parts have their own (with nlohmann-json, with Qt). The Windows cross
#    build compiles without, so that a standard header a source forgot to include still
#    shows somewhere.
#  - lld, else gold, instead of the BFD linker (BX_FAST_LINKER).
#  - The tests' own code is compiled with -O1 and line tables only (bx_test_flags): the
#    code under test keeps the build type's flags, and a failing test still points at
#    its line. The sanitizer trees build everything so (the top CMakeLists.txt).
#
# ccache caches the precompiled headers and what is compiled with them when its
# sloppiness allows (scripts/lib.sh sets it).
include(CheckLinkerFlag)

if(WIN32)
  set(_bx_pch_default OFF)
else()
  set(_bx_pch_default ON)
endif()
option(BX_PCH "Precompile the heavy headers" ${_bx_pch_default})
option(BX_FAST_LINKER "Link with lld, else gold, where the compiler can" ON)

if(BX_FAST_LINKER AND NOT WIN32)
  check_linker_flag(CXX -fuse-ld=lld BX_HAVE_LLD)
  if(BX_HAVE_LLD)
    add_link_options(-fuse-ld=lld)
  else()
    check_linker_flag(CXX -fuse-ld=gold BX_HAVE_GOLD)
    if(BX_HAVE_GOLD)
      add_link_options(-fuse-ld=gold)
    endif()
  endif()
endif()

# GCC 12 inlines std::string's operator+ differently with the precompiled header, and its
# -Warray-bounds, -Wrestrict and -Wstringop-overflow/-overread then report copies within
# bounds as out of them (GCC bugs 105329, 105651). Those are off for it; AddressSanitizer
# (scripts/test) checks the real bounds at run time.
if(BX_PCH AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  add_compile_options(-Wno-array-bounds -Wno-restrict -Wno-stringop-overflow -Wno-stringop-overread)
endif()

# The standard headers most sources include (no system header: the layers keep those
# to platform/).
set(BX_PCH_STD
  <algorithm> <atomic> <chrono> <cstdint> <cstring> <deque> <filesystem> <functional> <map>
  <memory> <mutex> <optional> <ostream> <set> <sstream> <string> <string_view> <thread>
  <utility> <vector>)

# bx_pch_shared(TARGET): TARGET compiles with the shared precompiled header. Its flags
# must be those of bx_pch: every module links Threads::Threads for that (-pthread).
function(bx_pch_shared target)
  if(NOT BX_PCH)
    return()
  endif()
  if(NOT TARGET bx_pch)
    add_library(bx_pch STATIC ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
    target_link_libraries(bx_pch PUBLIC Threads::Threads)
    target_precompile_headers(bx_pch PRIVATE ${BX_PCH_STD})
    bx_pch_for_ccache(bx_pch)
  endif()
  target_precompile_headers(${target} REUSE_FROM bx_pch)
  bx_pch_for_ccache(${target})
endfunction()

# bx_precompile(TARGET [HEADERS...]): the standard headers and HEADERS, precompiled for
# TARGET alone when it has three sources or more (fewer do not repay the header's
# compilation).
function(bx_precompile target)
  if(NOT BX_PCH)
    return()
  endif()
  get_target_property(_sources ${target} SOURCES)
  list(FILTER _sources INCLUDE REGEX "\\.cpp$")
  list(LENGTH _sources _count)
  if(_count LESS 3)
    return()
  endif()
  target_precompile_headers(${target} PRIVATE ${BX_PCH_STD} ${ARGN})
  bx_pch_for_ccache(${target})
endfunction()

# ccache hashes a GCC compilation that uses a precompiled header only from the
# preprocessed text that marks where the header goes.
function(bx_pch_for_ccache target)
  if(CCACHE_PROGRAM AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -fpch-preprocess)
  endif()
endfunction()

# bx_test_flags(TARGET): the test code's own lean flags (see above).
function(bx_test_flags target)
  if(NOT MSVC)
    target_compile_options(${target} PRIVATE "$<$<CONFIG:RelWithDebInfo>:-O1;-g1>")
  endif()
endfunction()

# bx_test_program_flags(TARGET): a test program compiles as the test support library
# does, with its precompiled header.
function(bx_test_program_flags target)
  bx_test_flags(${target})
  # The test support library's precompiled header is for programs: both compile as the
  # compiler does by default, not as position-independent library code.
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE OFF)
  if(BX_PCH)
    target_precompile_headers(${target} REUSE_FROM bx_testsupport)
    bx_pch_for_ccache(${target})
  endif()
endfunction()
