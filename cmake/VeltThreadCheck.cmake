# Builds cmake/tsan (the core libraries and the wizard's thread tests under
# ThreadSanitizer) as a build of its own inside this one, and runs it as one
# CTest test. ThreadSanitizer cannot share a process with AddressSanitizer.
include(ExternalProject)

set(tsan_args -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER})
foreach(launcher CMAKE_CXX_COMPILER_LAUNCHER)
  if(DEFINED ${launcher})
    list(APPEND tsan_args -D${launcher}=${${launcher}})
  elseif(DEFINED ENV{${launcher}})
    list(APPEND tsan_args -D${launcher}=$ENV{${launcher}})
  endif()
endforeach()

# Its own build runs beside the main one: keep it from taking every core.
set(VELT_TSAN_JOBS 2 CACHE STRING "Parallel jobs of the ThreadSanitizer build")

ExternalProject_Add(velt_tsan
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/cmake/tsan
  BINARY_DIR ${CMAKE_BINARY_DIR}/tsan
  CMAKE_ARGS ${tsan_args}
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --parallel ${VELT_TSAN_JOBS}
  BUILD_ALWAYS ON
  INSTALL_COMMAND "")

add_test(NAME ThreadSanitizer.InheritanceWizardAndThreads
  COMMAND ${CMAKE_BINARY_DIR}/tsan/velt_tsan_tests --gtest_filter=InheritanceWizard.*:Threads.*)
set_tests_properties(ThreadSanitizer.InheritanceWizardAndThreads PROPERTIES
  ENVIRONMENT "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1"
  TIMEOUT 300)
