# Sources include each other from the project root (#include "run/CodecProcess.h"); every
# library states that path itself and passes it on to what links it.
# quillon_folder_library(NAME [LINKS deps...])
# Builds the *.cpp files directly in the current folder into a static library.
# Subfolders (such as windows/) build their own libraries, so the core stays free of Qt.
function(quillon_folder_library name)
  cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LINKS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
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
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LINKS} quillon_test_support GTest::gtest GTest::gtest_main
                        Threads::Threads)
  target_compile_definitions(${name} PRIVATE
    QUILLON_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
    QUILLON_TEST_BIN_DIR="${CMAKE_BINARY_DIR}/tests")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77 LABELS ${name})
endfunction()

# quillon_widget_tests(PREFIX [TIMEOUT s] [ENVIRONMENT vars...] [LINKS deps...] [DEPENDS targets...])
# One Qt Test program per *_wtest.cpp file of the current folder, run as the test
# PREFIX.<file> on the offscreen platform. The test helpers of tests/ui and tests/cd are
# reachable, tests/support's window helpers are linked, and QUILLON_BIN_DIR names the
# folder of the built programs.
function(quillon_widget_tests prefix)
  cmake_parse_arguments(ARG "" "TIMEOUT" "LINKS;ENVIRONMENT;DEPENDS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  # No window test may reach the internet: a look-up goes to a port where nothing listens
  # unless the test starts its own server.
  set(environment QT_QPA_PLATFORM=offscreen QUILLON_MUSICBRAINZ_SERVER=http://127.0.0.1:9
                  QUILLON_COVERART_SERVER=http://127.0.0.1:9 QUILLON_ACCURATERIP_SERVER=http://127.0.0.1:9
                  ${ARG_ENVIRONMENT})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_wtest.cpp)
  foreach(source ${sources})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    set_target_properties(${name} PROPERTIES AUTOMOC ON RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests/ui
                               ${CMAKE_SOURCE_DIR}/tests/cd)
    target_link_libraries(${name} PRIVATE ${ARG_LINKS} quillon_widget_test_support Qt6::Test Threads::Threads)
    target_compile_definitions(${name} PRIVATE QUILLON_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
    if(ARG_DEPENDS)
      add_dependencies(${name} ${ARG_DEPENDS})
    endif()
    add_test(NAME ${prefix}.${name} COMMAND ${name})
    set_tests_properties(${prefix}.${name} PROPERTIES ENVIRONMENT "${environment}" TIMEOUT ${ARG_TIMEOUT}
                         SKIP_RETURN_CODE 77)
  endforeach()
endfunction()
