# Helpers that keep the layers honest.

# Every .cpp of a folder is part of its library, so adding a module never edits a build file.
function(vq_glob_sources out dir)
  file(GLOB _srcs CONFIGURE_DEPENDS "${dir}/*.cpp")
  set(${out} ${_srcs} PARENT_SCOPE)
endfunction()

# A library below the UI must not see Qt: fail the configure step if one of its files includes it.
function(vq_forbid_qt dir)
  file(GLOB_RECURSE _files CONFIGURE_DEPENDS "${dir}/*.h" "${dir}/*.cpp")
  foreach(_f ${_files})
    if(_f MATCHES "/ui/")
      continue()
    endif()
    file(STRINGS "${_f}" _hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]Q[A-Za-z]*[>/\"]")
    if(_hits)
      message(FATAL_ERROR "${_f} includes Qt, which its layer must not use: ${_hits}")
    endif()
  endforeach()
endfunction()

# One test executable per test file of a folder; each links only its layer and tests/support.
function(vq_add_tests dir)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB _tests CONFIGURE_DEPENDS "${dir}/*_test.cpp")
  get_filename_component(_layer "${dir}" NAME)
  foreach(_t ${_tests})
    get_filename_component(_name "${_t}" NAME_WE)
    set(_target "${_layer}_${_name}")
    add_executable(${_target} "${_t}")
    target_link_libraries(${_target} PRIVATE ${ARG_LIBS} test_support GTest::gtest GTest::gtest_main GTest::gmock)
    add_test(NAME ${_target} COMMAND ${_target})
    set_tests_properties(${_target} PROPERTIES TIMEOUT 300
      ENVIRONMENT "VQ_TEST_BINARY_DIR=${CMAKE_BINARY_DIR};VQ_TEST_SOURCE_DIR=${CMAKE_SOURCE_DIR};LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp")
  endforeach()
endfunction()
