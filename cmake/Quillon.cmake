# quillon_folder_library(NAME [LINKS deps...])
# Builds the *.cpp files directly in the current folder into a static library.
# Subfolders (such as windows/) build their own libraries, so the core stays free of Qt.
function(quillon_folder_library name)
  cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC ${ARG_LINKS})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARG_LINKS})
  endif()
endfunction()

# quillon_folder_tests(NAME [LINKS deps...])
# One test program per folder from its *_test.cpp files, each GoogleTest case a CTest test.
function(quillon_folder_tests name)
  cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} GTest::gtest GTest::gtest_main Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    QUILLON_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
    QUILLON_TEST_BIN_DIR="${CMAKE_BINARY_DIR}/tests")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77 LABELS ${name})
endfunction()
