# cmake/Brevolt.cmake: compile settings for our own targets and the test helpers.

option(BREVOLT_SANITIZE "Build native code with AddressSanitizer and UBSan" OFF)

set(BREVOLT_WARNINGS -Wall -Wextra -Werror)
if(WIN32)
  # Windows headers declare many unused parameters in callbacks; the rest stays strict.
  list(APPEND BREVOLT_WARNINGS -Wno-cast-function-type)
  # A hardware fault inside a guarded body is thrown from the faulting instruction
  # (common/boundary.h): trapping instructions need unwind information of their own.
  set(BREVOLT_WINDOWS_FLAGS -fnon-call-exceptions)
endif()

if(BREVOLT_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# The crash report walks frame pointers, so every module keeps its chain.
add_compile_options(-fno-omit-frame-pointer)
if(WIN32)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
endif()

# brevolt_target(TARGET): our own code, held to -Werror.
function(brevolt_target target)
  target_compile_options(${target} PRIVATE ${BREVOLT_WARNINGS} ${BREVOLT_WINDOWS_FLAGS})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()

# brevolt_test(NAME SOURCES... LIBS ...): one GoogleTest executable. Natively every test case
# becomes a ctest test; under wine64 the executable is one test (a Wine start costs a second).
function(brevolt_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  brevolt_target(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  if(WIN32)
    add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
    set_tests_properties(${name} PROPERTIES LABELS wine TIMEOUT 600)
  else()
    include(GoogleTest)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS native)
  endif()
endfunction()

# Adds every direct subfolder of the current source folder that has a CMakeLists.txt, in name
# order, so a new test folder joins the build by existing.
function(brevolt_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
