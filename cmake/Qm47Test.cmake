# qm47_add_test(<name> SOURCES <files...> [LIBS <targets...>] [ENV <VAR=value...>])
# One GoogleTest executable; its cases are discovered when ctest runs, not at build time.
function(qm47_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  set(props "")
  if(T_ENV)
    set(props PROPERTIES ENVIRONMENT "${T_ENV}")
  endif()
  # Prefixed with the executable, so `ctest -R <name>` picks one executable's cases.
  gtest_discover_tests(${name} TEST_PREFIX "${name}." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       ${props})
endfunction()
