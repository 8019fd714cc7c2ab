# Shared build settings and helpers for every subsystem folder.

set(VELT_WARNINGS -Wall -Wextra)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  # GCC 12 reports "literal" + std::string&& as an overlapping memcpy when optimising.
  list(APPEND VELT_WARNINGS -Wno-restrict)
endif()

if(VELT_SANITIZE)
  set(VELT_SAN_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${VELT_SAN_FLAGS})
  add_link_options(${VELT_SAN_FLAGS})
endif()

if(VELT_BUILD_FUZZ)
  # Everything is instrumented for coverage; only the targets link the fuzzer main.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# velt_library(name SOURCES ... DEPS ...): a position-independent static library.
function(velt_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/..)
  target_compile_options(${name} PRIVATE ${VELT_WARNINGS})
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
endfunction()

# velt_test(name SOURCES ... DEPS ...): a GoogleTest executable registered with CTest.
function(velt_test name)
  if(NOT VELT_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${VELT_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  include(GoogleTest)
  gtest_discover_tests(${name}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
    DISCOVERY_TIMEOUT 60)
endfunction()

# velt_subsystem(name DEPS ...): the static library of a subsystem folder from
# every *.cpp in it, and its test program from every *.cpp under tests/.
function(velt_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPS;TEST_DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(srcs)
    velt_library(${name} SOURCES ${srcs} DEPS ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/..)
    if(ARG_DEPS)
      target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    endif()
  endif()
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
  if(tests)
    velt_test(${name}_tests SOURCES ${tests} DEPS ${name} ${ARG_TEST_DEPS})
    if(TARGET ${name}_tests)
      target_compile_definitions(${name}_tests PRIVATE
        VELT_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/tests/data")
    endif()
  endif()
endfunction()

# velt_package(name OUTPUT_NAME out SOURCES ... ARCHIVES ... PRIVATE_LIBS ...
# PUBLIC_LIBS ...): a package's shared library. Its ARCHIVES are linked whole
# (by file, so their own dependencies stay out of it); everything else comes
# from the shared libraries in PUBLIC_LIBS, so a process keeps one copy of
# every singleton.
function(velt_package name)
  cmake_parse_arguments(ARG "" "OUTPUT_NAME" "SOURCES;ARCHIVES;PRIVATE_LIBS;PUBLIC_LIBS" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES OUTPUT_NAME ${ARG_OUTPUT_NAME})
  target_compile_options(${name} PRIVATE ${VELT_WARNINGS})
  set(files)
  foreach(archive ${ARG_ARCHIVES})
    add_dependencies(${name} ${archive})
    list(APPEND files $<TARGET_FILE:${archive}>)
  endforeach()
  target_link_libraries(${name}
    PRIVATE -Wl,--whole-archive ${files} -Wl,--no-whole-archive -Wl,--no-undefined ${ARG_PRIVATE_LIBS}
    PUBLIC ${ARG_PUBLIC_LIBS})
endfunction()
